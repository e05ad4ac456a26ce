#pragma once
// The tag database: one XML file (tags.xml) with one record per tagged file,
// held in memory as a libxml2 tree and rewritten whole after every change.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

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

    bool Open();
    bool Save();
    TagSet GetAllTags();
    FileItem GetFileItem(const std::string& path);
    bool SetDocumentTags(const std::string& path, const std::string& commaSepTags);
    bool SetFileTags(const std::string& path, const TagList& tags);
    bool WriteFileItem(const FileItem& item);
    bool SetPreviewDate(const FileItem& item);
    bool RemoveDocument(const std::string& path);
    ResultList GetAllDocuments(const TypeList& types);
    ResultList FindDocuments(const std::string& searchText, const TypeList& types);
    std::string GetMd5Hex(const std::string& path) const;

    // Full path of tags.xml.
    std::string DatabaseFile() const;
    // Where Open moved an unreadable database file; empty when it did not.
    const std::string& RecoveredFile() const;

private:
    struct Impl;
    Impl* m_pImpl;
};

} // namespace quillmark
