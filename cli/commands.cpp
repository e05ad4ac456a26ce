#include "cli/commands.h"

#include "platform/files/files.h"
#include "store/tagtext.h"

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
    if (!files::Exists(fullPath))
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
    for (const std::string& tag : item.tags)
        out << tag << '\n';
    return kSuccess;
}

int TagsCommand(TaggingDatabase& db, std::ostream& out, std::ostream& err)
{
    const TagSet tags = db.GetAllTags();
    if (Unreadable(db, err))
        return kFailure;
    for (const std::string& tag : tags)
        out << tag << '\n';
    return kSuccess;
}

int FindCommand(TaggingDatabase& db, const std::string& text, const std::vector<std::string>& types,
                std::ostream& out, std::ostream& err)
{
    // No type given: every record, whatever its type.
    const ResultList found = db.FindDocuments(text, types);
    if (Unreadable(db, err))
        return kFailure;
    for (const FileItem& item : found)
        out << item.path << '\t' << JoinTags(item.tags) << '\n';
    return kSuccess;
}

int RemoveCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& /*out*/, std::ostream& err)
{
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
