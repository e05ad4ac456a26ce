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
    if (newPath.empty()) return Relocation::NotFound;
    TaggingDatabase& database = RequireDatabase();
    // The new file is looked at through the database's file system, as its record is.
    files::FileSystem& fs = database.Fs();
    if (!files::Exists(fs, newPath) || files::IsDirectory(fs, newPath)) return Relocation::NotFound;
    if (IsInTemporaryFolder(newPath)) return Relocation::InTemporaryFolder;
    const std::string fileNameTag = GetFileNameTag(newPath);
    // Both records read and written in one change under the lock: another
    // program's change to either in between is kept, and the old record goes
    // in the same save that writes the new one.
    const bool bSaved = database.Change([&](RecordEditor& records) {
        const TagUnion unionTags =
            TagUnion::ForRelocatedDocument(records.Tags(newPath), records.Tags(oldPath), fileNameTag);
        if (!records.SetTags(newPath, unionTags.Tags())) return false;
        // The same path located again is the record just written.
        if (database.GetMd5Hex(oldPath) != database.GetMd5Hex(newPath)) records.Remove(oldPath);
        return true;
    });
    if (!bSaved) return Relocation::NotSaved;
    MergeTagsFromFile(newPath);
    return Relocation::Relocated;
}

} // namespace quillmark
