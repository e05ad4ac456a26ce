#include "store/indexmapping.h"

// The library's dispatching entry points use AVX2 or AVX-512 where the
// processor has them: several times faster than the portable code.
#include <xxh_x86dispatch.h>

#include <sys/mman.h>

namespace quillmark {

std::uint64_t ChunkChecksum(const void* bytes, std::size_t length)
{
    return XXH3_64bits(bytes, length);
}

IndexMapping::IndexMapping(void* base, std::size_t length, std::uint64_t dataStart, std::uint64_t dataEnd,
                           const std::uint64_t* sums)
    : m_pBase(base), m_nLength(length), m_dataStart(dataStart), m_dataEnd(dataEnd), m_pSums(sums),
      m_pChecked(std::make_unique<std::atomic<std::uint8_t>[]>((dataEnd - dataStart + kChunk - 1) / kChunk + 1))
{
}

IndexMapping::~IndexMapping()
{
    ::munmap(m_pBase, m_nLength);
}

void IndexMapping::CheckChunk(std::size_t chunk) const
{
    if (m_pChecked[chunk].load(std::memory_order_acquire))
        return;
    const std::uint64_t from = m_dataStart + chunk * kChunk;
    const std::uint64_t to = std::min(from + kChunk, m_dataEnd);
    if (ChunkChecksum(Base() + from, static_cast<std::size_t>(to - from)) != m_pSums[chunk])
        throw IndexDamaged("the index does not match its checksums");
    m_pChecked[chunk].store(1, std::memory_order_release);
}

void IndexMapping::Check(const void* at, std::size_t length) const
{
    const char* bytes = static_cast<const char*>(at);
    const char* start = Base() + m_dataStart;
    const char* end = Base() + m_dataEnd;
    if (length == 0 || bytes + length <= start || bytes >= end)
        return;
    if (bytes < start || bytes + length > end)
        throw IndexDamaged("a reference leaves the index's arrays");
    const auto first = static_cast<std::size_t>(static_cast<std::uint64_t>(bytes - start) / kChunk);
    const auto last = static_cast<std::size_t>(static_cast<std::uint64_t>(bytes + length - 1 - start) / kChunk);
    for (std::size_t chunk = first; chunk <= last; ++chunk)
        CheckChunk(chunk);
}

void IndexMapping::CheckAll() const
{
    if (AllChecked())
        return;
    const std::size_t chunks = static_cast<std::size_t>((m_dataEnd - m_dataStart + kChunk - 1) / kChunk);
    for (std::size_t chunk = 0; chunk < chunks; ++chunk)
        CheckChunk(chunk);
}

} // namespace quillmark
