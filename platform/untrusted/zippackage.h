#pragma once
// A zip archive read from its file (libzip reads the central directory, then each
// entry asked for; never the whole file into memory) or from bytes in memory.
// Entries can be replaced and the archive written to a file descriptor or to bytes:
// entries that were not replaced are copied with their stored (compressed) data as
// they are, streamed from the original, never recompressed.
//
// Every size read from the archive is distrusted: an entry larger than the caller's
// limit (as declared, or as it turns out while inflating) is refused with a message,
// so a small zip bomb cannot take memory.
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace quillmark::untrusted {

class ZipPackage {
public:
    // The default limit on one entry's uncompressed size.
    static constexpr std::size_t kMaxEntryBytes = 16u << 20;
    // More entries than this is no document anyone wrote.
    static constexpr std::size_t kMaxEntries = 100000;

    // Opens the zip archive file `path` for reading (a regular file only, opened
    // without blocking). nullptr with `error` set when it cannot be read or is no
    // intact zip archive; `pUnreadable` then tells the first (the file itself could
    // not be opened) from the second.
    static std::unique_ptr<ZipPackage> OpenFile(const std::string& path, std::string* error,
                                                bool* pUnreadable = nullptr);
    // Opens the archive in `bytes`, which must stay alive and unchanged as long as the
    // object; empty bytes start a new, empty archive.
    static std::unique_ptr<ZipPackage> OpenBytes(std::string_view bytes, std::string* error);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool Has(const std::string& name) const;
    // The name under which the archive stores `name`, comparing ASCII letters without
    // case (as package part names compare); nullopt when it has none.
    std::optional<std::string> FindNoCase(const std::string& name) const;
    std::size_t EntryCount() const;

    // The uncompressed content of entry `name` (as last Put, if it was); nullopt
    // (error set) when it is missing, damaged, or larger than `limit` bytes.
    std::optional<std::string> Read(const std::string& name, std::string* error,
                                    std::size_t limit = kMaxEntryBytes) const;
    // Replaces entry `name` (added at the end when missing), deflated or stored.
    // Nothing is recorded when it fails.
    bool Put(const std::string& name, std::string content, bool compress, std::string* error);

    // Writes the archive into `fd` (an empty file, written from offset 0), or returns
    // its bytes. Either way the object is done afterwards.
    bool FinishInto(int fd, std::string* error);
    std::optional<std::string> Finish(std::string* error);

    struct Backing; // where the archive is read from and written to

private:
    ZipPackage();
    bool Close(std::string* error);
    std::unique_ptr<Backing> m_pBacking;
    zip_source* m_pSource = nullptr;
    zip* m_pArchive = nullptr;
    std::list<std::string> m_listContents; // replaced entries, alive until the archive is written
    std::map<std::string, const std::string*> m_mapPut; // the latest content of each replaced entry
};

} // namespace quillmark::untrusted
