#pragma once
// What tests compare between two versions of a document: each zip entry's stored
// (compressed) bytes, CRC and method; each OLE2 stream's content.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillmark::test {

struct StoredEntry {
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
    std::string raw; // as stored in the archive, not uncompressed
    bool operator==(const StoredEntry&) const = default;
};

// Entries of the zip archive `path` by name; `order` receives the names in archive order.
std::map<std::string, StoredEntry> ZipEntries(const std::string& path, std::vector<std::string>* order = nullptr);
// The uncompressed content of one entry ("" when missing).
std::string ZipEntryText(const std::string& path, const std::string& name);
// Writes a zip archive with these entries, in this order (deflated unless `stored`).
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries,
              const std::vector<std::string>& stored = {});

// Every stream of the OLE2 compound file `path`, by its path ("Storage/Stream").
std::map<std::string, std::string> Ole2Streams(const std::string& path);
// Writes an OLE2 compound file with these streams ("Storage/Stream" makes a storage).
void WriteOle2(const std::string& path, const std::map<std::string, std::string>& streams);

} // namespace quillmark::test
