#pragma once
// A zip archive held in memory (libzip over a buffer): entries read and replaced,
// then the whole archive written back to bytes. Entries that were not replaced are
// copied with their compressed data as they are, never recompressed.
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace quillmark::docprops {

class ZipPackage {
public:
    // Opens the archive in `bytes` (copied); empty bytes start a new, empty archive.
    // nullptr with `error` set when `bytes` are no intact zip archive.
    static std::unique_ptr<ZipPackage> Open(std::string_view bytes, std::string* error);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool Has(const std::string& name) const;
    // The uncompressed content of entry `name` (as last Put, if it was); nullopt (error set) when it is missing,
    // damaged or larger than `limit` bytes.
    std::optional<std::string> Read(const std::string& name, std::string* error,
                                    std::size_t limit = 16u << 20) const;
    // Replaces entry `name` (added at the end when missing), deflated or stored.
    bool Put(const std::string& name, std::string content, bool compress, std::string* error);
    // Writes the archive and returns its bytes. The object is done afterwards.
    std::optional<std::string> Finish(std::string* error);

private:
    ZipPackage() = default;
    zip_source* m_pSource = nullptr; // the buffer the archive lives in; kept past zip_close
    zip* m_pArchive = nullptr;
    std::list<std::string> m_listContents; // replaced entries, alive until the archive is written
    std::map<std::string, const std::string*> m_mapPut; // the latest content of each replaced entry
};

} // namespace quillmark::docprops
