#include "cli/commands.h"

#include "platform/files/files.h"
#include "store/tagtext.h"

#include <map>
#include <string_view>

namespace quillmark::cli {

namespace {

// A query over a database that could not be read has no answer: "no match" and
// "could not read" must differ for a script.
bool Unreadable(const TaggingDatabase& db, std::ostream& err)
{
    if (!db.ReadFailed())
        return false;
    err << "quillmark: cannot read the tag database " << db.DatabaseFile() << ": " << db.LastError() << "\n";
    return true;
}

} // namespace

int TagCommand(TaggingDatabase& db, const std::string& fullPath, const std::string& commaSepTags,
               std::ostream& /*out*/, std::ostream& err)
{
    // Text without a tag ("", " , ") is no request to store one: nothing is erased.
    if (SplitTags(commaSepTags).empty()) {
        err << "quillmark: nothing stored: the tag text holds no tag\n";
        return kFailure;
    }
    if (!files::Exists(db.Fs(), fullPath))
        err << "quillmark: warning: " << fullPath
            << " does not exist; its tags are stored without file dates\n";
    if (!db.SetDocumentTags(fullPath, commaSepTags)) {
        err << "quillmark: could not save the tag database " << db.DatabaseFile() << "\n";
        return kFailure;
    }
    return kSuccess;
}

int ShowCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& err)
{
    const FileItem item = db.GetFileItem(fullPath);
    if (Unreadable(db, err))
        return kFailure;
    if (item.tags.empty() && !db.HasRecord(fullPath)) {
        err << "quillmark: no record for " << fullPath << "\n";
        return kFailure;
    }
    for (const std::string& tag : item.tags)
        out << tag << '\n';
    return kSuccess;
}

int TagsCommand(TaggingDatabase& db, std::ostream& out, std::ostream& err, bool bCount)
{
    const TagSet tags = db.GetAllTags();
    if (Unreadable(db, err))
        return kFailure;
    if (!bCount) {
        for (const std::string& tag : tags)
            out << tag << '\n';
        return kSuccess;
    }
    // A record that holds a tag twice counts once.
    std::map<std::string_view, std::size_t, TagLess> counts;
    const ResultList records = db.GetAllDocuments({});
    for (const FileItem& item : records) {
        const TagSet held(item.tags.begin(), item.tags.end());
        for (const std::string& tag : held)
            if (tags.contains(tag))
                ++counts[*tags.find(tag)];
    }
    for (const std::string& tag : tags)
        out << tag << '\t' << counts[tag] << '\n';
    return kSuccess;
}

int FindCommand(TaggingDatabase& db, const std::string& text, const std::vector<std::string>& types,
                std::ostream& out, std::ostream& err)
{
    return FindCommand(db, std::vector<std::string>{text}, std::string(), types, out, err);
}

int FindCommand(TaggingDatabase& db, const std::vector<std::string>& texts, const std::string& nameText,
                const std::vector<std::string>& types, std::ostream& out, std::ostream& err)
{
    // No type given: every record, whatever its type.
    // Printed as found; an unreadable database prints nothing (its records,
    // if any, are those of an earlier read).
    std::string line;
    db.ForEachFound(texts, nameText, types, [&](const FileItem& item) {
        if (db.ReadFailed())
            return;
        line.assign(item.path);
        line += '\t';
        const std::size_t tagsStart = line.size();
        for (const std::string& tag : item.tags) { // as JoinTags joins them
            if (line.size() > tagsStart)
                line += ", ";
            line += tag;
        }
        line += '\n';
        out << line;
    });
    if (Unreadable(db, err))
        return kFailure;
    return kSuccess;
}

int RemoveCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& /*out*/, std::ostream& err)
{
    const bool bHeld = db.HasRecord(fullPath);
    if (Unreadable(db, err))
        return kFailure;
    if (!bHeld) {
        err << "quillmark: no record for " << fullPath << "\n";
        return kFailure;
    }
    if (!db.RemoveDocument(fullPath)) {
        err << "quillmark: could not save the tag database " << db.DatabaseFile() << "\n";
        return kFailure;
    }
    return kSuccess;
}

int FingerprintCommand(const std::string& fullPath, std::ostream& out)
{
    TaggingDatabase db;
    out << db.GetMd5Hex(fullPath) << '\n';
    return kSuccess;
}

} // namespace quillmark::cli
