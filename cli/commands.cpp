#include "cli/commands.h"

#include "platform/files/files.h"
#include "store/tagtext.h"

namespace quillmark::cli {

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

int ShowCommand(TaggingDatabase& db, const std::string& fullPath, std::ostream& out, std::ostream& /*err*/)
{
    for (const std::string& tag : db.GetFileItem(fullPath).tags)
        out << tag << '\n';
    return kSuccess;
}

int TagsCommand(TaggingDatabase& db, std::ostream& out, std::ostream& /*err*/)
{
    for (const std::string& tag : db.GetAllTags())
        out << tag << '\n';
    return kSuccess;
}

int FindCommand(TaggingDatabase& db, const std::string& text, const std::vector<std::string>& types,
                std::ostream& out, std::ostream& /*err*/)
{
    // No type given: every record, whatever its type.
    for (const FileItem& item : db.FindDocuments(text, types))
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
