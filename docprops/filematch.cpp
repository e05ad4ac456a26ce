#include "docprops/filematch.h"

#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "platform/files/paths.h"
#include "store/filesystemtags.h"
#include "store/tagunion.h"

#include <nettle/sha2.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace quillmark::filematch {

namespace {

constexpr std::string_view kHeader = "quillmark content cache 1\n";
constexpr std::uint64_t kCacheLimit = 256ull << 20;

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A record's or file's tags as a set, without the file-name tag of `name`.
std::set<std::string> TagsBesidesName(const TagList& tags, const std::string& name)
{
    std::set<std::string> held(tags.begin(), tags.end());
    held.erase(FileNameTag(name));
    return held;
}

} // namespace

bool IsScannedDocument(const std::string& path)
{
    const std::string name = files::NameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    static const std::set<std::string> kTypes = {"doc", "docx", "odt", "ppt", "pptx", "odp"};
    return kTypes.contains(LowerAscii(name.substr(dot + 1)));
}

std::optional<TagList> ReadFileTags(const std::string& path, std::string* error)
{
    const std::optional<docprops::Properties> properties = docprops::Read(path, error);
    if (!properties)
        return std::nullopt;
    TagUnion tags(SplitTags(properties->keywords));
    for (const std::string& tag : fstags::Read(path))
        tags.Add(tag);
    return tags.Tags();
}

std::optional<std::string> HashFile(const std::string& path, std::string* error)
{
    files::FileSystem& fs = files::FileSystem::Current();
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return std::nullopt;
    }
    sha256_ctx context;
    sha256_init(&context);
    std::string buffer(1 << 16, '\0');
    bool ok = true;
    for (;;) {
        const ssize_t got = fs.Read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (error)
                *error = std::strerror(errno);
            ok = false;
            break;
        }
        if (got == 0)
            break;
        sha256_update(&context, static_cast<std::size_t>(got), reinterpret_cast<const std::uint8_t*>(buffer.data()));
    }
    fs.Close(fd);
    if (!ok)
        return std::nullopt;
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < sizeof digest; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

void ContentCache::Load(const std::string& file)
{
    m_entries.clear();
    const files::FileStamp stamp = files::GetFileStamp(file);
    if (!stamp.exists || stamp.size > kCacheLimit)
        return;
    const std::optional<std::string> text = files::ReadFile(file);
    if (!text || !text->starts_with(kHeader))
        return;
    std::string_view rest(*text);
    rest.remove_prefix(kHeader.size());
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        // md5 size mtime hash, single spaces.
        const auto a = line.find(' ');
        const auto b = a == std::string_view::npos ? a : line.find(' ', a + 1);
        const auto c = b == std::string_view::npos ? b : line.find(' ', b + 1);
        if (c == std::string_view::npos || a != 32)
            continue;
        Entry entry;
        const char* sizeEnd = line.data() + b;
        const char* timeEnd = line.data() + c;
        if (std::from_chars(line.data() + a + 1, sizeEnd, entry.size).ptr != sizeEnd ||
            std::from_chars(line.data() + b + 1, timeEnd, entry.mtimeNs).ptr != timeEnd)
            continue;
        entry.hash = std::string(line.substr(c + 1));
        if (entry.hash.size() != 64 || entry.hash.find_first_not_of("0123456789abcdef") != std::string::npos)
            continue;
        m_entries[std::string(line.substr(0, a))] = std::move(entry);
    }
}

bool ContentCache::Save(const std::string& file, std::string* error) const
{
    std::string text(kHeader);
    for (const auto& [md5, entry] : m_entries)
        text += md5 + ' ' + std::to_string(entry.size) + ' ' + std::to_string(entry.mtimeNs) + ' ' + entry.hash + '\n';
    return files::AtomicReplace(file, text, 0600, error);
}

const ContentCache::Entry* ContentCache::Find(const std::string& md5) const
{
    const auto found = m_entries.find(md5);
    return found == m_entries.end() ? nullptr : &found->second;
}

std::optional<ContentCache::Entry> ContentCache::Describe(const std::string& path, const Entry* known,
                                                          std::string* error)
{
    const files::FileStamp stamp = files::GetFileStamp(path);
    if (!stamp.exists) {
        if (error)
            *error = "the file is gone";
        return std::nullopt;
    }
    Entry entry;
    entry.size = stamp.size;
    entry.mtimeNs = stamp.mtimeNs;
    if (known && known->size == entry.size && known->mtimeNs == entry.mtimeNs) {
        entry.hash = known->hash;
        return entry;
    }
    std::optional<std::string> hash = HashFile(path, error);
    if (!hash)
        return std::nullopt;
    entry.hash = std::move(*hash);
    return entry;
}

Match Compare(const FileItem& record, const ContentCache::Entry* recorded, const FoundFile& file)
{
    if (recorded && file.content && recorded->size == file.content->size && recorded->hash == file.content->hash)
        return Match::Content;
    const std::string recordName = files::NameOf(record.path);
    if (recordName != file.name)
        return Match::None;
    const std::set<std::string> recordTags = TagsBesidesName(record.tags, recordName);
    if (recordTags.empty() || recordTags != TagsBesidesName(file.tags, file.name))
        return Match::None;
    return Match::TagsAndName;
}

std::vector<std::size_t> Candidates(const FileItem& record, const ContentCache::Entry* recorded,
                                    const std::vector<FoundFile>& files)
{
    std::vector<std::size_t> byContent, byTags;
    for (std::size_t i = 0; i < files.size(); ++i) {
        switch (Compare(record, recorded, files[i])) {
        case Match::Content: byContent.push_back(i); break;
        case Match::TagsAndName: byTags.push_back(i); break;
        case Match::None: break;
        }
    }
    return byContent.empty() ? byTags : byContent;
}

std::optional<std::string> FindMovedFile(const FileItem& record, const std::vector<std::string>& folders,
                                         const ContentCache& cache,
                                         const std::function<bool(const std::string&)>& hasRecord, std::size_t limit)
{
    const ContentCache::Entry* recorded = cache.Find(record.md5);
    const std::string recordName = files::NameOf(record.path);
    std::vector<FoundFile> found;
    std::set<std::string> looked;
    std::size_t seen = 0;
    for (const std::string& folder : folders) {
        if (!looked.insert(folder).second)
            continue;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (++seen > limit)
                break;
            const std::string path = it->path().string();
            if (!it->is_regular_file(ec) || !IsScannedDocument(path))
                continue;
            FoundFile file;
            file.path = path;
            file.name = files::NameOf(path);
            const bool bSameName = file.name == recordName;
            const bool bSameSize = recorded && it->file_size(ec) == recorded->size;
            if ((!bSameName && !bSameSize) || hasRecord(path))
                continue;
            if (bSameSize)
                file.content = ContentCache::Describe(path, nullptr);
            if (bSameName)
                file.tags = ReadFileTags(path).value_or(TagList());
            found.push_back(std::move(file));
        }
    }
    const std::vector<std::size_t> candidates = Candidates(record, recorded, found);
    if (candidates.size() != 1)
        return std::nullopt;
    return found[candidates[0]].path;
}

} // namespace quillmark::filematch
