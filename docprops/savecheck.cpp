#include "docprops/savecheck.h"
#include "platform/errors/seterror.h"

#include "docprops/formats.h"

#include <zip.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace quillmark::docprops {

namespace {

// ---- compound files ----------------------------------------------------------

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE, kNoStream = 0xFFFFFFFF, kMaxSector = 0xFFFFFFFA;

std::uint32_t Le32(std::string_view bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}
std::uint16_t Le16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// A compound file read straight from its bytes: the FAT, the mini FAT, the
// directory, and each stream by following its chain.
class CompoundReader {
public:
    struct Entry {
        std::string path;  // storage names and the entry's own name joined by '/'
        bool bStream = false;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    bool Open(std::string_view bytes, std::string* error);
    const std::vector<Entry>& Entries() const { return m_entries; }
    // The whole content of a stream; nullopt (error set) when it cannot be read whole.
    std::optional<std::string> Read(const Entry& entry, std::string* error) const;

private:
    // The bytes of the chain from `start` in `fat`, `size` of them, in units of
    // `unit` bytes found by `locate`; nullopt when the chain is broken or too short.
    template <class Locate>
    std::optional<std::string> Chain(const std::vector<std::uint32_t>& fat, std::uint32_t start, std::uint64_t size,
                                     std::size_t unit, Locate locate) const;
    std::optional<std::string_view> Sector(std::uint32_t n) const;
    bool Walk(std::uint32_t id, const std::string& folder, std::set<std::uint32_t>& seen, std::string* error);

    std::string_view m_bytes;
    std::size_t m_nSectorSize = 512;
    std::size_t m_nMiniSize = 64;
    std::uint32_t m_nCutoff = 4096;
    bool m_bVersion3 = true;
    std::vector<std::uint32_t> m_fat, m_miniFat;
    std::string m_directory, m_miniStream;
    std::vector<Entry> m_entries;
};

std::optional<std::string_view> CompoundReader::Sector(std::uint32_t n) const
{
    if (n > kMaxSector) return std::nullopt;
    const std::uint64_t offset = (static_cast<std::uint64_t>(n) + 1) * m_nSectorSize;
    if (offset >= m_bytes.size()) return std::nullopt;
    // The last sector of a file may be cut short; what it lacks reads as missing below.
    return m_bytes.substr(static_cast<std::size_t>(offset), m_nSectorSize);
}

template <class Locate>
std::optional<std::string> CompoundReader::Chain(const std::vector<std::uint32_t>& fat, std::uint32_t start,
                                                 std::uint64_t size, std::size_t unit, Locate locate) const
{
    const std::uint64_t units = (size + unit - 1) / unit;
    if (units > fat.size()) return std::nullopt; // more than the table can chain: a size the file cannot hold
    std::string content;
    content.reserve(static_cast<std::size_t>(size));
    std::uint32_t n = start;
    for (std::uint64_t i = 0; i < units; ++i) {
        if (n >= fat.size()) return std::nullopt;
        const std::optional<std::string_view> piece = locate(n);
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(unit, size - content.size()));
        if (!piece || piece->size() < want) return std::nullopt;
        content.append(piece->substr(0, want));
        n = fat[n];
    }
    return content;
}

bool CompoundReader::Open(std::string_view bytes, std::string* error)
{
    static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    m_bytes = bytes;
    if (bytes.size() < 512 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
        SetError(error, "it is not a compound file");
        return false;
    }
    const unsigned sectorShift = Le16(bytes, 0x1E), miniShift = Le16(bytes, 0x20);
    if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) {
        SetError(error, "its header names sector sizes no compound file has");
        return false;
    }
    m_nSectorSize = std::size_t{1} << sectorShift;
    m_nMiniSize = std::size_t{1} << miniShift;
    m_bVersion3 = Le16(bytes, 0x1A) == 3;
    m_nCutoff = Le32(bytes, 0x38);
    const std::uint64_t sectorsInFile = bytes.size() / m_nSectorSize + 1;

    // The FAT sectors: 109 in the header, the rest in the DIFAT chain.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = Le32(bytes, 0x2C);
    if (fatCount > sectorsInFile) {
        SetError(error, "its header declares more FAT sectors than the file holds");
        return false;
    }
    for (std::size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(Le32(bytes, 0x4C + 4 * i));
    std::uint32_t difat = Le32(bytes, 0x44);
    for (std::uint64_t steps = 0; fatSectors.size() < fatCount; ++steps) {
        const std::optional<std::string_view> sector = Sector(difat);
        if (!sector || sector->size() < m_nSectorSize || steps > sectorsInFile) {
            SetError(error, "its sector allocation table is incomplete");
            return false;
        }
        const std::size_t per = m_nSectorSize / 4 - 1;
        for (std::size_t i = 0; i < per && fatSectors.size() < fatCount; ++i) fatSectors.push_back(Le32(*sector, 4 * i));
        difat = Le32(*sector, 4 * per);
    }
    for (std::uint32_t n : fatSectors) {
        const std::optional<std::string_view> sector = Sector(n);
        if (!sector || sector->size() < m_nSectorSize) {
            SetError(error, "its sector allocation table is incomplete");
            return false;
        }
        for (std::size_t i = 0; i < m_nSectorSize / 4; ++i) m_fat.push_back(Le32(*sector, 4 * i));
    }
    const auto sector = [this](std::uint32_t n) { return Sector(n); };

    // The directory: a chain of whole sectors whose length the FAT alone tells.
    std::uint64_t dirSectors = 0;
    for (std::uint32_t n = Le32(bytes, 0x30); n != kEndOfChain; n = n < m_fat.size() ? m_fat[n] : kNoStream) {
        if (n >= m_fat.size() || ++dirSectors > m_fat.size()) {
            SetError(error, "its directory chain is broken");
            return false;
        }
    }
    std::optional<std::string> directory =
        Chain(m_fat, Le32(bytes, 0x30), dirSectors * m_nSectorSize, m_nSectorSize, sector);
    if (!directory || directory->size() < 128) {
        SetError(error, "its directory cannot be read");
        return false;
    }
    m_directory = std::move(*directory);

    // The mini FAT and the mini stream (the root entry's content).
    const std::uint32_t miniFatCount = Le32(bytes, 0x40);
    if (miniFatCount > 0) {
        std::optional<std::string> miniFat =
            Chain(m_fat, Le32(bytes, 0x3C), std::uint64_t{miniFatCount} * m_nSectorSize, m_nSectorSize, sector);
        if (!miniFat) {
            SetError(error, "its mini sector table cannot be read");
            return false;
        }
        for (std::size_t i = 0; i + 4 <= miniFat->size(); i += 4) m_miniFat.push_back(Le32(*miniFat, i));
    }
    if (m_directory[0x42] != 5) {
        SetError(error, "its directory has no root entry");
        return false;
    }
    const std::uint64_t miniSize = m_bVersion3 ? Le32(m_directory, 0x78) : (std::uint64_t{Le32(m_directory, 0x7C)} << 32 | Le32(m_directory, 0x78));
    if (miniSize > 0) {
        std::optional<std::string> mini = Chain(m_fat, Le32(m_directory, 0x74), miniSize, m_nSectorSize, sector);
        if (!mini) {
            SetError(error, "its mini stream cannot be read whole");
            return false;
        }
        m_miniStream = std::move(*mini);
    }
    std::set<std::uint32_t> seen{0};
    return Walk(Le32(m_directory, 0x4C), "", seen, error);
}

bool CompoundReader::Walk(std::uint32_t id, const std::string& folder, std::set<std::uint32_t>& seen,
                          std::string* error)
{
    if (id == kNoStream) return true;
    if (static_cast<std::uint64_t>(id) * 128 + 128 > m_directory.size() || !seen.insert(id).second) {
        SetError(error, "its directory tree is broken");
        return false;
    }
    const std::size_t at = static_cast<std::size_t>(id) * 128;
    const std::uint16_t nameBytes = std::min<std::uint16_t>(Le16(m_directory, at + 0x40), 64);
    std::string name;
    for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
        const std::uint16_t unit = Le16(m_directory, at + i);
        if (unit == 0) break;
        // Names compare by their UTF-16 units; a plain ASCII spelling serves messages.
        if (unit >= 0x20 && unit < 0x7F) name += static_cast<char>(unit);
        else name += "\\u" + std::to_string(unit) + ";";
    }
    const int type = static_cast<unsigned char>(m_directory[at + 0x42]);
    Entry entry;
    entry.path = folder.empty() ? name : folder + "/" + name;
    entry.bStream = type == 2;
    entry.start = Le32(m_directory, at + 0x74);
    entry.size = m_bVersion3 ? Le32(m_directory, at + 0x78)
                             : (std::uint64_t{Le32(m_directory, at + 0x7C)} << 32 | Le32(m_directory, at + 0x78));
    if (type == 1 || type == 2) m_entries.push_back(entry);
    if (!Walk(Le32(m_directory, at + 0x44), folder, seen, error) || !Walk(Le32(m_directory, at + 0x48), folder, seen, error))
        return false;
    return type != 1 || Walk(Le32(m_directory, at + 0x4C), entry.path, seen, error);
}

std::optional<std::string> CompoundReader::Read(const Entry& entry, std::string* error) const
{
    std::optional<std::string> content;
    if (entry.size > m_bytes.size()) {
        SetError(error, "the stream " + entry.path + " declares " + std::to_string(entry.size) +
                            " bytes, more than the whole file holds");
        return std::nullopt;
    }
    if (entry.size < m_nCutoff) {
        content = Chain(m_miniFat, entry.start, entry.size, m_nMiniSize, [this](std::uint32_t n) {
            const std::uint64_t offset = std::uint64_t{n} * m_nMiniSize;
            return offset < m_miniStream.size()
                       ? std::optional<std::string_view>(std::string_view(m_miniStream).substr(offset, m_nMiniSize))
                       : std::nullopt;
        });
    } else {
        content = Chain(m_fat, entry.start, entry.size, m_nSectorSize, [this](std::uint32_t n) { return Sector(n); });
    }
    if (!content) SetError(error, "the stream " + entry.path + " cannot be read whole (its sector chain is broken)");
    return content;
}

bool CompareCompound(std::string_view original, std::string_view written, std::string* error)
{
    static const std::string kSummary = "\\u5;SummaryInformation";
    CompoundReader before, after;
    std::string why;
    if (!before.Open(original, &why)) {
        SetError(error, "the original file cannot be read whole: " + why);
        return false;
    }
    if (!after.Open(written, &why)) {
        SetError(error, "the new file cannot be read back: " + why);
        return false;
    }
    std::map<std::string, const CompoundReader::Entry*> written_;
    for (const auto& entry : after.Entries()) written_[entry.path] = &entry;
    for (const auto& entry : before.Entries()) {
        if (entry.path == kSummary) continue;
        // The original's own damage is the first thing to tell.
        std::optional<std::string> a;
        if (entry.bStream && !(a = before.Read(entry, &why))) {
            SetError(error, "the original file cannot be read whole: " + why);
            return false;
        }
        auto it = written_.find(entry.path);
        if (it == written_.end() || it->second->bStream != entry.bStream) {
            SetError(error, "the new file would lose " + entry.path);
            return false;
        }
        const CompoundReader::Entry& other = *it->second;
        written_.erase(it);
        if (!entry.bStream) continue;
        std::optional<std::string> b = after.Read(other, &why);
        if (!b) {
            SetError(error, "the new file cannot be read back: " + why);
            return false;
        }
        if (*a != *b) {
            SetError(error, "the new file would change the stream " + entry.path);
            return false;
        }
    }
    written_.erase(kSummary);
    if (!written_.empty()) {
        SetError(error, "the new file would add " + written_.begin()->first);
        return false;
    }
    return true;
}

// ---- zip packages ------------------------------------------------------------

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

ZipPtr OpenZip(std::string_view bytes, std::string* error)
{
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &err);
    zip_t* archive = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err) : nullptr;
    if (!archive) {
        SetError(error, zip_error_strerror(&err));
        if (src) zip_source_free(src);
    }
    zip_error_fini(&err);
    return ZipPtr(archive);
}

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

enum class Sameness { Same, Differs, OriginalUnreadable, WrittenUnreadable };

// Whether entry `index` of both archives holds the same bytes: the stored (compressed)
// bytes compared when method, sizes and CRC agree, else the contents, read to their
// end so that the CRC is checked. `reason` says why an entry could not be read.
Sameness CompareEntry(zip_t* a, zip_t* b, zip_uint64_t index, std::string& reason)
{
    zip_stat_t sa, sb;
    if (zip_stat_index(a, index, 0, &sa) != 0) return reason = zip_strerror(a), Sameness::OriginalUnreadable;
    if (zip_stat_index(b, index, 0, &sb) != 0) return reason = zip_strerror(b), Sameness::WrittenUnreadable;
    const bool bSameStored = sa.comp_method == sb.comp_method && sa.size == sb.size && sa.comp_size == sb.comp_size &&
                             sa.crc == sb.crc && sa.encryption_method == sb.encryption_method;
    for (const zip_flags_t flags : {zip_flags_t{ZIP_FL_COMPRESSED}, zip_flags_t{0}}) {
        if (flags == ZIP_FL_COMPRESSED && !bSameStored) continue;
        std::unique_ptr<zip_file_t, ZipFileCloser> fa(zip_fopen_index(a, index, flags));
        if (!fa) return reason = zip_strerror(a), Sameness::OriginalUnreadable;
        std::unique_ptr<zip_file_t, ZipFileCloser> fb(zip_fopen_index(b, index, flags));
        if (!fb) return reason = zip_strerror(b), Sameness::WrittenUnreadable;
        std::vector<char> bufA(65536), bufB(65536);
        bool bSame = true;
        for (;;) {
            const zip_int64_t na = zip_fread(fa.get(), bufA.data(), bufA.size());
            if (na < 0) return reason = zip_file_strerror(fa.get()), Sameness::OriginalUnreadable;
            zip_int64_t nb = 0;
            while (nb < na) {
                const zip_int64_t n = zip_fread(fb.get(), bufB.data() + nb, static_cast<zip_uint64_t>(na - nb));
                if (n < 0) return reason = zip_file_strerror(fb.get()), Sameness::WrittenUnreadable;
                if (n == 0) break;
                nb += n;
            }
            if (nb != na || std::memcmp(bufA.data(), bufB.data(), static_cast<std::size_t>(na)) != 0) {
                bSame = false;
                break;
            }
            if (na == 0) {
                // The written entry must end here too.
                char extra;
                if (zip_fread(fb.get(), &extra, 1) != 0) bSame = false;
                break;
            }
        }
        if (bSame) return Sameness::Same;
        // A difference may come from an original that is damaged: read it to its end (CRC).
        for (;;) {
            const zip_int64_t n = zip_fread(fa.get(), bufA.data(), bufA.size());
            if (n < 0) return reason = zip_file_strerror(fa.get()), Sameness::OriginalUnreadable;
            if (n == 0) break;
        }
    }
    return Sameness::Differs;
}

// The archive in the open file `fd` (duplicated, so that `fd` stays open).
ZipPtr OpenZipFd(int fd, std::string* error)
{
    const int copy = ::dup(fd);
    int code = 0;
    zip_t* archive = copy >= 0 ? zip_fdopen(copy, ZIP_RDONLY | ZIP_CHECKCONS, &code) : nullptr;
    if (!archive) {
        if (copy >= 0) ::close(copy);
        zip_error_t err;
        zip_error_init_with_code(&err, copy >= 0 ? code : ZIP_ER_OPEN);
        SetError(error, zip_error_strerror(&err));
        zip_error_fini(&err);
    }
    return ZipPtr(archive);
}

bool CompareArchives(Format format, zip_t* pOriginal, zip_t* pWritten, const std::optional<std::string>& corePart,
                     std::string* error);

bool CompareZip(Format format, std::string_view original, std::string_view written, std::string* error)
{
    std::string why;
    ZipPtr a = OpenZip(original, &why);
    if (!a) {
        SetError(error, "the original file cannot be read whole: " + why);
        return false;
    }
    ZipPtr b = OpenZip(written, &why);
    if (!b) {
        SetError(error, "the new file cannot be read back: " + why);
        return false;
    }
    return CompareArchives(format, a.get(), b.get(),
                           format == Format::OfficeOpenXml ? OoxmlCorePart(written, &why) : std::nullopt, error);
}

bool CompareArchives(Format format, zip_t* pOriginal, zip_t* pWritten, const std::optional<std::string>& corePart,
                     std::string* error)
{
    struct NotOwned {
        void operator()(zip_t*) const {}
    };
    std::unique_ptr<zip_t, NotOwned> a(pOriginal), b(pWritten);
    std::set<std::string> parts;
    if (format == Format::OfficeOpenXml) {
        parts = {"[Content_Types].xml", "_rels/.rels"};
        if (corePart) parts.insert(*corePart);
    } else {
        parts = {"meta.xml", "META-INF/manifest.xml"};
    }
    const zip_int64_t countA = zip_get_num_entries(a.get(), 0), countB = zip_get_num_entries(b.get(), 0);
    // Entries keep their places: replaced ones stay where they were, new ones come last.
    for (zip_int64_t i = 0; i < std::max(countA, countB); ++i) {
        const zip_uint64_t index = static_cast<zip_uint64_t>(i);
        const char* nameA = i < countA ? zip_get_name(a.get(), index, ZIP_FL_ENC_RAW) : nullptr;
        const char* nameB = i < countB ? zip_get_name(b.get(), index, ZIP_FL_ENC_RAW) : nullptr;
        if (i < countA && !nameA) {
            SetError(error, "the original file cannot be read whole: entry " + std::to_string(i) + " has no name");
            return false;
        }
        if (!nameB) {
            SetError(error, std::string("the new file would lose ") + nameA);
            return false;
        }
        if (!nameA) {
            if (parts.count(nameB)) continue;
            SetError(error, std::string("the new file would add ") + nameB);
            return false;
        }
        if (std::strcmp(nameA, nameB) != 0) {
            SetError(error, std::string("the new file would put ") + nameB + " in place of " + nameA);
            return false;
        }
        if (parts.count(nameA)) continue;
        std::string reason;
        switch (CompareEntry(a.get(), b.get(), index, reason)) {
        case Sameness::Same: continue;
        case Sameness::Differs: SetError(error, std::string("the new file would change ") + nameA); break;
        case Sameness::OriginalUnreadable:
            SetError(error, std::string("the original file cannot be read whole: ") + nameA + " (" + reason + ")");
            break;
        case Sameness::WrittenUnreadable:
            SetError(error, std::string("the new file cannot be read back: ") + nameA + " (" + reason + ")");
            break;
        }
        return false;
    }
    return true;
}

} // namespace

bool ChangesOnlyZipEntries(Format format, const std::string& originalPath, int writtenFd, std::string* error)
{
    int code = 0;
    ZipPtr a(zip_open(originalPath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!a) {
        zip_error_t err;
        zip_error_init_with_code(&err, code);
        SetError(error, std::string("the original file cannot be read whole: ") + zip_error_strerror(&err));
        zip_error_fini(&err);
        return false;
    }
    std::string why;
    ZipPtr b = OpenZipFd(writtenFd, &why);
    if (!b) {
        SetError(error, "the new file cannot be read back: " + why);
        return false;
    }
    std::optional<std::string> corePart;
    if (format == Format::OfficeOpenXml) {
        // The written package's own relationships name its core part.
        std::unique_ptr<ZipPackage> written = ZipPackage::OpenFile("/proc/self/fd/" + std::to_string(writtenFd), &why);
        if (written) corePart = OoxmlCorePart(*written, &why);
    }
    return CompareArchives(format, a.get(), b.get(), corePart, error);
}

bool ChangesOnlyProperties(Format format, std::string_view original, std::string_view written, std::string* error)
{
    switch (format) {
    case Format::Ole2: return CompareCompound(original, written, error);
    case Format::OfficeOpenXml:
    case Format::OpenDocument: return CompareZip(format, original, written, error);
    case Format::Other: break;
    }
    SetError(error, "the file has no place for document properties");
    return false;
}

} // namespace quillmark::docprops
