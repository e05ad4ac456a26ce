#pragma once
// A persistent index file mapped into memory, its bytes checked against their
// checksums in 64 KB chunks as they are first used: a query that reads one
// record maps and checks a few chunks, not the whole file.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace quillmark {

// Thrown when a mapped index turns out damaged while it is used; the database
// then reads the file itself.
class IndexDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IndexMapping {
public:
    static constexpr std::uint64_t kChunk = 1 << 16;

    // Takes over the mapping of `length` bytes at `base`. The chunks cover
    // [dataStart, dataEnd); `sums` (inside the mapping) holds one checksum each.
    IndexMapping(void* base, std::size_t length, std::uint64_t dataStart, std::uint64_t dataEnd,
                 const std::uint64_t* sums);
    ~IndexMapping();
    IndexMapping(const IndexMapping&) = delete;
    IndexMapping& operator=(const IndexMapping&) = delete;

    const char* Base() const { return static_cast<const char*>(m_pBase); }
    // Throws IndexDamaged unless the bytes [at, at + length) match their
    // checksums. Bytes outside the mapping (arrays made one's own) pass.
    void Check(const void* at, std::size_t length) const;
    // Checks every chunk.
    void CheckAll() const;
    bool AllChecked() const { return m_bAllChecked.load(std::memory_order_acquire); }
    void SetAllChecked() const { m_bAllChecked.store(true, std::memory_order_release); }

private:
    void CheckChunk(std::size_t chunk) const;

    void* m_pBase;
    std::size_t m_nLength;
    std::uint64_t m_dataStart, m_dataEnd;
    const std::uint64_t* m_pSums;
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_pChecked; // one flag a chunk
    mutable std::atomic<bool> m_bAllChecked{false};
};

// Checksum of one chunk (the last one may be shorter).
std::uint64_t ChunkChecksum(const void* bytes, std::size_t length);

} // namespace quillmark
