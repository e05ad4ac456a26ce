#pragma once
// Finding a file again after it was moved or renamed outside the office.
// A record whose file is gone and a file that has no record are the same file
// when they have the same content (size and content hash, remembered for the
// record's file when it was last scanned), or, failing that, the same tags and
// the same file name. The scan and the Browse dialogs share this rule.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/fileitem.h"

namespace quillmark::filematch {

// The documents and presentations a scan reads: .doc .docx .odt .ppt .pptx
// .odp (ASCII case ignored).
bool IsScannedDocument(const std::string& path);

// A file's own tags: its Keywords, then those of its user.xdg.tags it lacks.
// nullopt (with `error`) when the file is damaged or cannot be read.
std::optional<TagList> ReadFileTags(const std::string& path, std::string* error = nullptr);

// SHA-256 of the file's content, in hexadecimal; nullopt (with `error`) when
// it cannot be read.
std::optional<std::string> HashFile(const std::string& path, std::string* error = nullptr);

// What a scan remembers of each record's file: its size, modification time and
// content hash, by the record's fingerprint. Kept beside the database in a file
// of its own (database file + ".scan"), which is a hint only: a missing or
// damaged one is an empty one.
class ContentCache {
public:
    struct Entry {
        std::uint64_t size = 0;
        std::int64_t mtimeNs = 0;
        std::string hash;
        bool operator==(const Entry&) const = default;
    };

    static std::string FileFor(const std::string& databaseFile) { return databaseFile + ".scan"; }
    // Reads the cache (lines "md5 size mtime hash" after a header); unreadable
    // lines are skipped, a file over 256 MiB is not read.
    void Load(const std::string& file);
    // Writes it atomically; false with `error` when it cannot.
    bool Save(const std::string& file, std::string* error = nullptr) const;

    const Entry* Find(const std::string& md5) const;
    void Set(const std::string& md5, Entry entry) { m_entries[md5] = std::move(entry); }
    void Erase(const std::string& md5) { m_entries.erase(md5); }
    std::size_t Size() const { return m_entries.size(); }

    // The entry for the file at `path` (size, time and hash), taken from
    // `known` when the file's size and time still match it, else hashed anew.
    static std::optional<Entry> Describe(const std::string& path, const Entry* known, std::string* error = nullptr);

private:
    std::map<std::string, Entry> m_entries;
};

// A found file, as the rule compares it.
struct FoundFile {
    std::string path;
    std::string name; // file name
    TagList tags;     // its own tags
    std::optional<ContentCache::Entry> content;
};

enum class Match { None, Content, TagsAndName };

// How `record` (whose file is gone; `recorded` is what was remembered of it,
// or null) and `file` are the same. Tags and name match only when both hold at
// least one tag besides the file-name tag, so that two different files of one
// name are never taken for each other.
Match Compare(const FileItem& record, const ContentCache::Entry* recorded, const FoundFile& file);

// Of `files`, the ones the rule takes for `record`: those of the same content
// when there are any, else those with the same tags and name.
std::vector<std::size_t> Candidates(const FileItem& record, const ContentCache::Entry* recorded,
                                    const std::vector<FoundFile>& files);

// The one file in `folders` (each looked into, not below it) that `record`
// could be by this rule, among the files for which `hasRecord` is false;
// nullopt when there is none or more than one. Only files of the record's
// name, or of the remembered size, are read; at most `limit` entries of the
// folders are looked at, so that a click stays quick.
std::optional<std::string> FindMovedFile(const FileItem& record, const std::vector<std::string>& folders,
                                         const ContentCache& cache,
                                         const std::function<bool(const std::string&)>& hasRecord,
                                         std::size_t limit = 20000);

} // namespace quillmark::filematch
