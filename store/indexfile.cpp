// The index file: a header that names the database state it describes and
// where each of the TagIndex's arrays lies, then the arrays as they stand in
// memory, then a checksum of every 64 KB of them. Loading checks the header,
// the database's identity (and, within the racy margin, its hash) and the
// arrays' sizes; the bytes are checked against their checksums as a query
// first touches them (store/indexmapping.h), so one lookup reads a few pages.
#include "store/indexfile.h"

#include "platform/files/paths.h"
#include "platform/files/regularfile.h"
#include "store/indexmapping.h"

// The library's dispatching entry points use AVX2 or AVX-512 where the
// processor has them: several times faster than the portable code.
#include <xxh_x86dispatch.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <type_traits>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace quillmark {

namespace {

constexpr char kMagic[8] = {'Q', 'M', 'I', 'N', 'D', 'E', 'X', '\n'};
// Raised whenever the layout below or TagIndex's members change.
constexpr std::uint32_t kVersion = 3;

enum Section : std::uint32_t { kRecords, kBlockStarts, kArena, kBlock, kSlots, kOtherKeys, kSectionCount };

struct SectionEntry {
    std::uint64_t offset = 0, length = 0;
};

struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t recordSize, slotSize, attrCount; // the layout of the arrays
    // The database file described.
    std::uint64_t device, inode, size;
    std::int64_t mtimeNs, ctimeNs;
    std::uint64_t hashLow, hashHigh;
    std::int64_t verifiedAtNs;
    // The index's own facts.
    std::uint64_t rootClose, fileSize, dead, keyCount, keyMask;
    std::uint32_t canonical, layout;
    SectionEntry sections[kSectionCount];
    // The arrays are checked in chunks of IndexMapping::kChunk bytes, from the
    // first array's start; the chunks' checksums follow the last array.
    std::uint64_t chunkTable, chunkCount, chunkTableChecksum;
    std::uint64_t checksum; // of every byte above
};
static_assert(std::is_trivially_copyable_v<Header>);

constexpr std::uint64_t kAlign = 16;

std::uint64_t Aligned(std::uint64_t offset)
{
    return (offset + kAlign - 1) / kAlign * kAlign;
}

std::uint64_t Checksum(const void* bytes, std::size_t length)
{
    return XXH3_64bits(bytes, length);
}

std::uint64_t HeaderChecksum(const Header& header)
{
    return Checksum(&header, offsetof(Header, checksum));
}

// Reads exactly `length` bytes at `offset`; false on a short read or an error.
bool ReadExactly(files::FileSystem& fs, int fd, void* into, std::size_t length, std::uint64_t offset)
{
    auto* bytes = static_cast<char*>(into);
    while (length > 0) {
        const ssize_t n = fs.ReadAt(fd, bytes, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        length -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Hashes the whole file at `fd` from its start.
bool HashFile(files::FileSystem& fs, int fd, std::uint64_t& low, std::uint64_t& high)
{
    indexfile::ContentHash hash;
    std::vector<char> buffer(1 << 18);
    std::uint64_t offset = 0;
    while (true) {
        const ssize_t n = fs.ReadAt(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        hash.Add(buffer.data(), static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    hash.Result(low, high);
    return true;
}

bool SameFile(const files::FileStamp& stamp, const Header& header)
{
    return stamp.exists && stamp.device == header.device && stamp.inode == header.inode &&
           stamp.size == header.size && stamp.mtimeNs == header.mtimeNs && stamp.ctimeNs == header.ctimeNs;
}

// The checksums of consecutive IndexMapping::kChunk-byte chunks of a stream
// of bytes given in pieces.
class ChunkSums {
public:
    ChunkSums() : m_pState(XXH3_createState())
    {
        if (!m_pState)
            throw std::bad_alloc();
        XXH3_64bits_reset(m_pState.get());
    }
    void Add(const char* bytes, std::size_t length)
    {
        while (length > 0) {
            const std::size_t take = std::min<std::size_t>(length, IndexMapping::kChunk - m_filled);
            XXH3_64bits_update(m_pState.get(), bytes, take);
            bytes += take;
            length -= take;
            m_filled += take;
            if (m_filled == IndexMapping::kChunk)
                EndChunk();
        }
    }
    std::vector<std::uint64_t> Finish()
    {
        if (m_filled > 0)
            EndChunk();
        return std::move(m_sums);
    }

private:
    void EndChunk()
    {
        m_sums.push_back(XXH3_64bits_digest(m_pState.get()));
        XXH3_64bits_reset(m_pState.get());
        m_filled = 0;
    }
    struct FreeState {
        void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
    };
    std::unique_ptr<XXH3_state_t, FreeState> m_pState;
    std::size_t m_filled = 0;
    std::vector<std::uint64_t> m_sums;
};

} // namespace

// Saves and restores every member of a TagIndex (a friend of the class).
struct IndexImage {
    using Record = TagIndex::Record;
    using Slot = TagIndex::KeyMap::Slot;

    // Writes the arrays of `index` after room for the header, and fills in
    // `header` but for the proof of the database file and the header's checksum.
    static bool WriteArrays(files::FileSystem& fs, int fd, const TagIndex& index, Header& header)
    {
        std::string others;
        for (const auto& [key, first] : index.m_otherKeys) {
            const auto length = static_cast<std::uint32_t>(key.size());
            others.append(reinterpret_cast<const char*>(&length), sizeof length);
            others += key;
            others.append(reinterpret_cast<const char*>(&first), sizeof first);
        }
        const std::string_view parts[kSectionCount] = {
            {reinterpret_cast<const char*>(index.m_records.data()), index.m_records.size() * sizeof(Record)},
            {reinterpret_cast<const char*>(index.m_blockStarts.data()),
             index.m_blockStarts.size() * sizeof(std::uint64_t)},
            {index.m_arena.data(), index.m_arena.size()},
            {index.m_block.data(), index.m_block.size()},
            {reinterpret_cast<const char*>(index.m_hexKeys.m_slots.data()),
             index.m_hexKeys.m_slots.size() * sizeof(Slot)},
            others,
        };
        header = Header{};
        std::memcpy(header.magic, kMagic, sizeof kMagic);
        header.version = kVersion;
        header.recordSize = sizeof(Record);
        header.slotSize = sizeof(Slot);
        header.attrCount = kAttrCount;
        header.rootClose = index.m_rootClose;
        header.fileSize = index.m_fileSize;
        header.dead = index.m_dead;
        header.keyCount = index.m_hexKeys.m_count;
        header.keyMask = index.m_hexKeys.m_mask;
        header.canonical = index.m_bCanonical ? 1 : 0;
        header.layout = index.m_layout == TagIndex::Layout::AsRead ? 1 : 0;
        // Each array starts at a multiple of kAlign, so that it is used where it is mapped.
        const std::uint64_t dataStart = Aligned(sizeof(Header));
        std::uint64_t offset = dataStart;
        for (std::uint32_t i = 0; i < kSectionCount; ++i) {
            header.sections[i] = {offset, parts[i].size()};
            offset = Aligned(offset + parts[i].size());
        }
        header.chunkTable = offset;
        // The header's place, filled in once the proof is known (until then the
        // file is no index at all); then the arrays, each checksummed a piece
        // at a time just before the piece is written, while it is in the cache.
        const Header placeholder{};
        if (!files::WriteAll(fs, fd, {reinterpret_cast<const char*>(&placeholder), sizeof placeholder}))
            return false;
        const char padding[kAlign] = {};
        ChunkSums sums;
        const auto put = [&](std::string_view bytes) {
            constexpr std::size_t kPiece = 1 << 18;
            for (std::size_t from = 0; from < bytes.size(); from += kPiece) {
                const std::string_view piece = bytes.substr(from, kPiece);
                sums.Add(piece.data(), piece.size());
                if (!files::WriteAll(fs, fd, piece))
                    return false;
            }
            return true;
        };
        // The chunks start where the arrays do, after the header's padding.
        if (!files::WriteAll(fs, fd, {padding, static_cast<std::size_t>(dataStart - sizeof header)}))
            return false;
        std::uint64_t written = dataStart;
        for (std::uint32_t i = 0; i < kSectionCount; ++i) {
            if (!put({padding, static_cast<std::size_t>(header.sections[i].offset - written)}) || !put(parts[i]))
                return false;
            written = header.sections[i].offset + parts[i].size();
        }
        if (!put({padding, static_cast<std::size_t>(header.chunkTable - written)}))
            return false;
        const std::vector<std::uint64_t> table = sums.Finish();
        const std::string_view tableBytes(reinterpret_cast<const char*>(table.data()),
                                          table.size() * sizeof(std::uint64_t));
        header.chunkCount = table.size();
        header.chunkTableChecksum = Checksum(tableBytes.data(), tableBytes.size());
        return files::WriteAll(fs, fd, tableBytes);
    }

    // Views the section `which` of the mapped file in `into`, once its place
    // and alignment are right; its bytes are checked as they are used.
    template <class Owned>
    static bool ViewSection(const char* base, const Header& header, Section which, Column<Owned>& into)
    {
        using Element = typename Owned::value_type;
        const SectionEntry& entry = header.sections[which];
        if (entry.offset < Aligned(sizeof(Header)) || entry.offset > header.chunkTable ||
            entry.length > header.chunkTable - entry.offset || entry.length % sizeof(Element) != 0 ||
            entry.offset % alignof(Element) != 0)
            return false;
        into.SetView(reinterpret_cast<const Element*>(base + entry.offset),
                     static_cast<std::size_t>(entry.length / sizeof(Element)));
        return true;
    }

    // Maps the index file open at `fd`, read-only, and makes `out` view it.
    // Only the header, the chunks' checksums and the sizes are checked here;
    // each chunk is checked when first used, each record when read, and the
    // whole before anything is changed (TagIndex::VerifyAll).
    static bool Read(int fd, const Header& header, std::uint64_t fileSize, TagIndex& out)
    {
        const std::uint64_t dataStart = Aligned(sizeof(Header));
        if (header.chunkTable < dataStart || header.chunkTable % alignof(std::uint64_t) != 0 ||
            header.chunkTable > fileSize ||
            header.chunkCount != (header.chunkTable - dataStart + IndexMapping::kChunk - 1) / IndexMapping::kChunk ||
            header.chunkCount > (fileSize - header.chunkTable) / sizeof(std::uint64_t) ||
            header.canonical > 1 || header.layout > 1 || header.rootClose > header.fileSize)
            return false;
        void* base = ::mmap(nullptr, static_cast<std::size_t>(fileSize), PROT_READ, MAP_PRIVATE, fd, 0);
        if (base == MAP_FAILED)
            return false;
        const char* bytes = static_cast<const char*>(base);
        const auto* sums = reinterpret_cast<const std::uint64_t*>(bytes + header.chunkTable);
        auto mapping = std::make_shared<const IndexMapping>(base, static_cast<std::size_t>(fileSize), dataStart,
                                                            header.chunkTable, sums);
        if (Checksum(sums, static_cast<std::size_t>(header.chunkCount * sizeof(std::uint64_t))) !=
            header.chunkTableChecksum)
            return false;
        TagIndex index;
        Column<std::string> others;
        if (!ViewSection(bytes, header, kRecords, index.m_records) ||
            !ViewSection(bytes, header, kBlockStarts, index.m_blockStarts) ||
            !ViewSection(bytes, header, kArena, index.m_arena) || !ViewSection(bytes, header, kBlock, index.m_block) ||
            !ViewSection(bytes, header, kSlots, index.m_hexKeys.m_slots) ||
            !ViewSection(bytes, header, kOtherKeys, others))
            return false;
        const std::size_t count = index.m_records.size();
        const std::size_t slots = index.m_hexKeys.m_slots.size();
        // A power of two with at least one free slot, so that every probe ends.
        if (index.m_blockStarts.size() != count || header.dead > count ||
            (slots != 0 && (header.keyMask != slots - 1 || (slots & header.keyMask) != 0 || header.keyCount >= slots)) ||
            (slots == 0 && (header.keyCount != 0 || header.keyMask != 0)))
            return false;
        try {
            mapping->Check(others.data(), others.size());
        } catch (const IndexDamaged&) {
            return false;
        }
        for (std::size_t at = 0; at < others.size();) {
            std::uint32_t keyLength = 0;
            std::int32_t first = 0;
            if (others.size() - at < sizeof keyLength)
                return false;
            std::memcpy(&keyLength, others.data() + at, sizeof keyLength);
            at += sizeof keyLength;
            if (others.size() - at < std::size_t{keyLength} + sizeof first)
                return false;
            std::string key(others.data() + at, keyLength);
            at += keyLength;
            std::memcpy(&first, others.data() + at, sizeof first);
            at += sizeof first;
            if (first < -1 || first >= static_cast<std::int64_t>(count))
                return false;
            index.m_otherKeys.emplace(std::move(key), first);
        }
        index.m_dead = static_cast<std::size_t>(header.dead);
        index.m_hexKeys.m_count = static_cast<std::size_t>(header.keyCount);
        index.m_hexKeys.m_mask = static_cast<std::size_t>(header.keyMask);
        index.m_bCanonical = header.canonical != 0;
        index.m_layout = header.layout != 0 ? TagIndex::Layout::AsRead : TagIndex::Layout::Indented;
        index.m_rootClose = header.rootClose;
        index.m_fileSize = header.fileSize;
        index.m_pMapping = std::move(mapping);
        out = std::move(index);
        return true;
    }
};

namespace indexfile {

ContentHash::ContentHash() : m_pState(XXH3_createState())
{
    if (!m_pState)
        throw std::bad_alloc();
    XXH3_128bits_reset(static_cast<XXH3_state_t*>(m_pState));
}

ContentHash::~ContentHash()
{
    XXH3_freeState(static_cast<XXH3_state_t*>(m_pState));
}

void ContentHash::Add(const void* bytes, std::size_t length)
{
    XXH3_128bits_update(static_cast<XXH3_state_t*>(m_pState), bytes, length);
}

void ContentHash::Result(std::uint64_t& low, std::uint64_t& high) const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(static_cast<const XXH3_state_t*>(m_pState));
    low = hash.low64;
    high = hash.high64;
}

std::int64_t NowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::string PathFor(const std::string& databasePath)
{
    return databasePath + ".idx";
}

bool Prove(files::FileSystem& fs, int fd, Proof& proof)
{
    proof.stamp = files::GetFileStamp(fs, fd);
    proof.verifiedAtNs = NowNs();
    return proof.stamp.exists && HashFile(fs, fd, proof.hashLow, proof.hashHigh) &&
           files::GetFileStamp(fs, fd) == proof.stamp;
}

Loaded Load(files::FileSystem& fs, const std::string& indexPath, int databaseFd, TagIndex& index, Proof& proof,
            bool& refreshed)
{
    refreshed = false;
    const int fd = files::OpenRegularFile(fs, indexPath, nullptr);
    if (fd < 0)
        return errno == ENOENT ? Loaded::Missing : Loaded::Damaged;
    const auto result = [&]() {
        struct stat st {};
        if (fs.StatFd(fd, &st) != 0)
            return Loaded::Damaged;
        const auto fileSize = static_cast<std::uint64_t>(st.st_size);
        Header header{};
        if (fileSize < sizeof header || !ReadExactly(fs, fd, &header, sizeof header, 0) ||
            std::memcmp(header.magic, kMagic, sizeof kMagic) != 0)
            return Loaded::Damaged;
        if (header.version != kVersion || header.recordSize != sizeof(IndexImage::Record) ||
            header.slotSize != sizeof(IndexImage::Slot) || header.attrCount != kAttrCount)
            return Loaded::OtherVersion;
        if (header.checksum != HeaderChecksum(header))
            return Loaded::Damaged;
        const files::FileStamp stamp = files::GetFileStamp(fs, databaseFd);
        if (!SameFile(stamp, header))
            return Loaded::Stale;
        if (stamp.ctimeNs + kRacyMarginNs >= header.verifiedAtNs) {
            // Written too soon after the file's last change for its identity to
            // prove its content: compare the bytes' hash.
            Proof now;
            if (!Prove(fs, databaseFd, now) || now.stamp != stamp || now.hashLow != header.hashLow ||
                now.hashHigh != header.hashHigh)
                return Loaded::Stale;
            proof = now;
            refreshed = true;
        }
        return IndexImage::Read(fd, header, fileSize, index) ? Loaded::Used : Loaded::Damaged;
    }();
    fs.Close(fd);
    return result;
}

PendingIndex::~PendingIndex()
{
    Discard();
}

void PendingIndex::Discard()
{
    if (m_fd >= 0)
        m_fs.Close(m_fd);
    if (!m_temp.empty())
        m_fs.Unlink(m_temp.c_str());
    m_fd = -1;
    m_temp.clear();
}

bool PendingIndex::Prepare(const std::string& databasePath, const TagIndex& index)
{
    Discard();
    m_databasePath = databasePath;
    const std::string indexPath = PathFor(databasePath);
    // Written beside the index and renamed over it, but not flushed: the index
    // can always be made again, and a torn one fails its checksums.
    m_temp = files::FolderOf(indexPath) + "/." + files::NameOf(indexPath) + ".XXXXXX";
    m_fd = m_fs.CreateTemp(m_temp);
    if (m_fd < 0) {
        m_temp.clear();
        return false;
    }
    // Marked while it is written, so that a holder's sweep of leftovers leaves
    // it alone (see files::RemoveReplaceLeftovers); not the database's lock.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    Header header{};
    if (m_fs.ChangeMode(m_fd, 0600) != 0 || !IndexImage::WriteArrays(m_fs, m_fd, index, header)) {
        Discard();
        return false;
    }
    m_header.assign(reinterpret_cast<const char*>(&header), sizeof header);
    return true;
}

bool PendingIndex::PutInPlace(const Proof& proof)
{
    if (m_fd < 0)
        return false;
    Header header{};
    std::memcpy(&header, m_header.data(), sizeof header);
    header.device = proof.stamp.device;
    header.inode = proof.stamp.inode;
    header.size = proof.stamp.size;
    header.mtimeNs = proof.stamp.mtimeNs;
    header.ctimeNs = proof.stamp.ctimeNs;
    header.hashLow = proof.hashLow;
    header.hashHigh = proof.hashHigh;
    header.verifiedAtNs = proof.verifiedAtNs;
    header.checksum = HeaderChecksum(header);
    bool ok = m_fs.WriteAt(m_fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ok = m_fs.Close(m_fd) == 0 && ok;
    m_fd = -1;
    // Written without the lock, or after it: another writer may have replaced
    // the file meanwhile, and its index is not to be replaced by a stale one.
    ok = ok && files::GetFileStamp(m_fs, m_databasePath) == proof.stamp;
    if (!ok) {
        Discard();
        return false;
    }
    const std::string indexPath = PathFor(m_databasePath);
    if (m_fs.RenameExchange(m_temp.c_str(), indexPath.c_str()) == 0) {
        // Swapped in rather than renamed over the old one: ext4 writes a file
        // renamed over another out to disk first (auto_da_alloc), tens of
        // milliseconds under the lock for a file that can always be made again.
        Discard(); // the old index, now under the temporary name
        return true;
    }
    if (m_fs.Rename(m_temp.c_str(), indexPath.c_str()) == 0) {
        m_temp.clear();
        return true;
    }
    Discard();
    return false;
}

bool Write(files::FileSystem& fs, const std::string& databasePath, const TagIndex& index, const Proof& proof)
{
    PendingIndex pending(fs);
    return pending.Prepare(databasePath, index) && pending.PutInPlace(proof);
}

const char* Describe(Loaded loaded)
{
    switch (loaded) {
    case Loaded::Used: return "used";
    case Loaded::Missing: return "missing";
    case Loaded::Stale: return "stale";
    case Loaded::Damaged: return "damaged";
    case Loaded::OtherVersion: return "of another version";
    }
    return "unknown";
}

} // namespace indexfile

} // namespace quillmark
