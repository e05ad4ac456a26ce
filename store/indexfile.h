#pragma once
// The persistent index beside the tag database ("tags.xml.idx"): the TagIndex
// as it stands in memory, saved so that a process reads it instead of parsing
// the database. tags.xml stays the only truth. The index is used only when it
// provably describes the file at hand (its device, inode, size, modification and
// change times, and a hash of its bytes); a missing, stale, truncated, damaged or
// other-version index is never trusted nor fatal: the caller parses and writes a
// new one. Writing needs no lock: an index written for a file that was replaced
// meanwhile is stale, and stale is detected.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "store/tagindex.h"

namespace quillmark::indexfile {

// Hashes a file's bytes as they are read (XXH3, 128 bits).
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;
    void Add(const void* bytes, std::size_t length);
    void Result(std::uint64_t& low, std::uint64_t& high) const;

private:
    void* m_pState;
};

// What ties an index to the database file it describes: the file's identity,
// the hash of its bytes, and when they were known to be so. A later change of
// the file changes its change time, which nothing but the clock sets; so once
// the change time lies safely before `verifiedAtNs`, the identity alone proves
// the content, and only an index written within that margin needs the hash.
struct Proof {
    files::FileStamp stamp;
    std::uint64_t hashLow = 0, hashHigh = 0;
    std::int64_t verifiedAtNs = 0; // the clock before the bytes were read
};

// How close a change time may lie to the verification and still be trusted:
// more than any file system's timestamp granularity (FAT's is two seconds).
inline constexpr std::int64_t kRacyMarginNs = 3'000'000'000;

// The clock file systems stamp change times with, in ns since 1970.
std::int64_t NowNs();

// The index of the database file at `databasePath`.
std::string PathFor(const std::string& databasePath);

enum class Loaded {
    Used,         // `index` holds the database
    Missing,      // no index file
    Stale,        // it describes another state of the database
    Damaged,      // truncated, corrupt, or not an index at all
    OtherVersion, // written by another version of this program
};

// Fills `index` from the index at `indexPath` when it describes the database
// file open at `databaseFd`; otherwise leaves `index` as it was. On Used,
// `refreshed` tells that the file had to be hashed to prove the index and
// `proof` then holds a verification that would spare the next reader the hash.
Loaded Load(files::FileSystem& fs, const std::string& indexPath, int databaseFd, TagIndex& index, Proof& proof,
            bool& refreshed);

// The proof of the file open at `fd`, read whole from its start; false when it
// cannot be read.
bool Prove(files::FileSystem& fs, int fd, Proof& proof);

// Writes `index`, proven by `proof`, atomically beside the database file at
// `databasePath` (PathFor). Not flushed to disk: after a crash a damaged index
// is detected and rebuilt. False when it could not be written (a read-only
// folder, say): nothing to report, readers parse. Nothing is put in place
// unless the database file is still the one `proof` names.
bool Write(files::FileSystem& fs, const std::string& databasePath, const TagIndex& index, const Proof& proof);

// Write in two steps, so that the arrays can be written while the database
// file they describe is still being flushed: Prepare writes them to a temporary
// file beside the index, PutInPlace adds the proof and puts the file in place
// (on the same terms as Write). What is not put in place is removed.
class PendingIndex {
public:
    explicit PendingIndex(files::FileSystem& fs) : m_fs(fs) {}
    ~PendingIndex();
    PendingIndex(const PendingIndex&) = delete;
    PendingIndex& operator=(const PendingIndex&) = delete;
    bool Prepare(const std::string& databasePath, const TagIndex& index);
    bool PutInPlace(const Proof& proof);
    bool Prepared() const { return m_fd >= 0; }

private:
    void Discard();
    files::FileSystem& m_fs;
    std::string m_databasePath;
    std::string m_temp;
    int m_fd = -1;
    std::string m_header; // the header's bytes but for the proof
};

// Why Load refused an index, for messages and tests.
const char* Describe(Loaded loaded);

} // namespace quillmark::indexfile
