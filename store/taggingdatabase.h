#pragma once
// The tag database: one XML file (tags.xml) with one record per tagged file,
// held in memory as a libxml2 tree and rewritten whole after every change.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "store/tagtext.h"

using xmlDoc = struct _xmlDoc;

namespace quillmark {

class AppSettings;

using Time = std::int64_t; // seconds since 1970-01-01 00:00 UTC; 0 = not set

struct FileItem {
    std::string path;
    std::string name;
    std::string md5;
    Time writeDate = 0;
    Time previewDate = 0;
    Time accessDate = 0;
    Time createDate = 0;
    TagList tags;
};

using TypeList = std::vector<std::string>;
using ResultList = std::vector<FileItem>;

class TaggingDatabase {
public:
    TaggingDatabase();
    ~TaggingDatabase();
    TaggingDatabase(const TaggingDatabase&) = delete;
    TaggingDatabase& operator=(const TaggingDatabase&) = delete;

    AppSettings* m_pSettings = nullptr; // not owned; only DatabasePath is read

    // Loads tags.xml, or starts empty when it is missing or unreadable (an
    // unreadable file is first moved aside, see RecoveredFile). Always true.
    bool Open();
    // Writes the database file; false when it could not be written.
    bool Save();
    TagSet GetAllTags();
    FileItem GetFileItem(const std::string& path);
    bool SetDocumentTags(const std::string& path, const std::string& commaSepTags);
    bool SetFileTags(const std::string& path, const TagList& tags);
    bool WriteFileItem(const FileItem& item);
    bool SetPreviewDate(const FileItem& item);
    bool RemoveDocument(const std::string& path);
    ResultList GetAllDocuments(const TypeList& types);
    // An empty type list means records of every type.
    ResultList FindDocuments(const std::string& searchText, const TypeList& types);
    std::string GetMd5Hex(const std::string& path) const;

    // Full path of tags.xml: the settings' database folder + "tags.xml",
    // unless an explicit file was given (the command line's --db).
    std::string DatabaseFile() const;
    void SetDatabaseFile(const std::string& file) { m_strDatabaseFile = file; }
    // Why the last change that failed failed (the warning it gave); empty before any.
    const std::string& LastError() const;
    // Where Open moved an unreadable database file; empty when it did not.
    const std::string& RecoveredFile() const;

private:
    bool LoadFromDisk(bool bLocked);
    bool RefreshIfChanged(bool bLocked);
    template <class Change> bool ApplyChange(Change change);
    bool SaveLocked();

    xmlDoc* m_pDoc = nullptr;
    files::FileStamp m_stamp;  // of the file content m_pDoc was read from or last written as
    bool m_bStampKnown = false;
    bool m_bBlocked = false;   // an unreadable file could not be moved aside: never overwrite it
    std::string m_strRecoveredFile;
    std::string m_strDatabaseFile;
};

} // namespace quillmark
