// OfficeApplication::RelocateDocument: a file the database lost track of, found
// again by the user under a new path, keeps its tags.
#include "host/officeapplication.h"
#include "store/tagunion.h"
#include "platform/files/files.h"
#include "store/taggingdatabase.h"

namespace quillmark {

OfficeApplication::Relocation OfficeApplication::RelocateDocument(const std::string& oldPath,
                                                                  const std::string& newPath)
{
    if (newPath.empty() || !files::Exists(newPath) || files::IsDirectory(newPath)) return Relocation::NotFound;
    if (IsInTemporaryFolder(newPath)) return Relocation::InTemporaryFolder;
    TaggingDatabase& database = RequireDatabase();
    const TagUnion unionTags = TagUnion::ForRelocatedDocument(
        database.GetFileItem(newPath).tags, database.GetFileItem(oldPath).tags, GetFileNameTag(newPath));
    if (!database.SetFileTags(newPath, unionTags.Tags())) return Relocation::NotSaved;
    // The same path located again is the record just written.
    if (database.GetMd5Hex(oldPath) != database.GetMd5Hex(newPath)) database.RemoveDocument(oldPath);
    MergeTagsFromFile(newPath);
    return Relocation::Relocated;
}

} // namespace quillmark
