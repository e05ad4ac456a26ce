// The slide list of a PowerPoint 97-2003 file: the "PowerPoint Document" stream of
// the compound file holds a document container whose slide list (a
// SlideListWithText container of instance 0) has one SlidePersistAtom per slide in
// slide order. A text header of type title or centred title introduces a slide's
// title: in the slide list behind the slide's atom, or (as newer writers keep it) in
// a text box of the slide's own container, found through the persist directory.
// A file saved incrementally may hold several document containers: the first one
// is read.
#include "platform/files/filesystem.h"
#include "platform/files/regularfile.h"
#include "simoffice/slidefile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>

#include <cstdio>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace quillmark::simoffice::detail {

namespace {

constexpr std::uint16_t kDocumentContainer = 0x03E8;
constexpr std::uint16_t kSlideListWithText = 0x0FF0;
constexpr std::uint16_t kSlidePersistAtom = 0x03F3;
constexpr std::uint16_t kTextHeaderAtom = 0x0F9F;
constexpr std::uint16_t kTextCharsAtom = 0x0FA0;
constexpr std::uint16_t kTextBytesAtom = 0x0FA8;
constexpr std::uint16_t kSlideContainer = 0x03EE;
constexpr std::uint16_t kPersistDirectoryAtom = 0x1772;
constexpr std::uint32_t kTitleText = 0, kCenterTitleText = 6;
constexpr gsf_off_t kMaxStreamSize = 256 << 20;

struct Record {
    std::uint16_t instance = 0, type = 0;
    bool bContainer = false;
    const unsigned char* data = nullptr;
    std::uint32_t length = 0;
};

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Calls fn(record) for each record in [begin, end); false when a record overruns.
template <class Fn>
bool ForEachRecord(const unsigned char* begin, const unsigned char* end, Fn fn)
{
    while (end - begin >= 8) {
        Record r;
        std::uint16_t verInstance = U16(begin);
        r.bContainer = (verInstance & 0x0F) == 0x0F;
        r.instance = static_cast<std::uint16_t>(verInstance >> 4);
        r.type = U16(begin + 2);
        r.length = U32(begin + 4);
        r.data = begin + 8;
        if (r.length > static_cast<std::uint64_t>(end - r.data)) return false;
        if (!fn(r)) return true;
        begin = r.data + r.length;
    }
    return true;
}

std::string Latin1ToUtf8(const unsigned char* p, std::uint32_t n)
{
    std::string out;
    for (std::uint32_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const unsigned char* p, std::uint32_t bytes)
{
    std::vector<gunichar2> units(bytes / 2);
    for (size_t i = 0; i < units.size(); ++i) units[i] = U16(p + 2 * i);
    gchar* text = g_utf16_to_utf8(units.data(), static_cast<glong>(units.size()), nullptr, nullptr, nullptr);
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

std::string Clean(std::string text)
{
    for (char& ch : text)
        if (ch == '\r' || ch == '\n' || ch == '\v' || ch == '\t') ch = ' ';
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The title text in the records of [begin, end), searched depth-first.
std::string FindTitle(const unsigned char* begin, const unsigned char* end, int depth = 0)
{
    std::string title;
    std::uint32_t textType = 0xFFFFFFFF;
    if (depth > 16) return title;
    ForEachRecord(begin, end, [&](const Record& r) {
        if (r.type == kTextHeaderAtom && r.length >= 4) {
            textType = U32(r.data);
        } else if ((r.type == kTextCharsAtom || r.type == kTextBytesAtom) &&
                   (textType == kTitleText || textType == kCenterTitleText)) {
            title = Clean(r.type == kTextCharsAtom ? Utf16ToUtf8(r.data, r.length) : Latin1ToUtf8(r.data, r.length));
        } else if (r.bContainer) {
            title = FindTitle(r.data, r.data + r.length, depth + 1);
        }
        return title.empty();
    });
    return title;
}

template <class T>
struct GUnref {
    void operator()(T* p) const
    {
        if (p) g_object_unref(p);
    }
};

} // namespace

std::optional<std::vector<std::string>> ReadOle2SlideTitles(const std::string& path, std::string* error)
{
    auto fail = [&](std::string text) -> std::optional<std::vector<std::string>> {
        if (error) *error = path + ": " + text;
        return std::nullopt;
    };
    static std::once_flag s_init;
    std::call_once(s_init, [] { gsf_init(); });
    GError* gerr = nullptr;
    // Only a regular file, opened without blocking; libgsf reads it through a stream of its own.
    std::string openError;
    const int fd = files::OpenRegularFile(path, &openError);
    if (fd < 0) {
        if (error) *error = openError;
        return std::nullopt;
    }
    FILE* pFile = ::fdopen(fd, "rb");
    if (!pFile) {
        files::FileSystem::Current().Close(fd);
        return fail("cannot open");
    }
    std::unique_ptr<GsfInput, GUnref<GsfInput>> input(gsf_input_stdio_new_FILE(path.c_str(), pFile, FALSE));
    if (!input) {
        std::fclose(pFile);
        return fail("cannot open");
    }
    std::unique_ptr<GsfInfile, GUnref<GsfInfile>> ole(gsf_infile_msole_new(input.get(), &gerr));
    if (!ole) {
        if (gerr) g_error_free(gerr);
        return fail("not a PowerPoint 97-2003 file (no compound file)");
    }
    std::unique_ptr<GsfInput, GUnref<GsfInput>> stream(gsf_infile_child_by_name(ole.get(), "PowerPoint Document"));
    if (!stream) return fail("not a PowerPoint 97-2003 file (no PowerPoint Document stream)");
    gsf_off_t size = gsf_input_size(stream.get());
    if (size <= 0 || size > kMaxStreamSize) return fail("the PowerPoint Document stream has an unusable size");
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (!gsf_input_read(stream.get(), static_cast<size_t>(size), bytes.data()))
        return fail("cannot read the PowerPoint Document stream");

    const unsigned char* begin = bytes.data();
    const unsigned char* end = begin + bytes.size();
    std::optional<Record> document;
    ForEachRecord(begin, end, [&](const Record& r) {
        if (r.type == kDocumentContainer && r.bContainer) document = r;
        return !document;
    });
    if (!document) return fail("no document container in the PowerPoint Document stream");

    // Persist id -> stream offset, from every directory (a later one wins).
    std::map<std::uint32_t, std::uint32_t> offsets;
    ForEachRecord(begin, end, [&](const Record& r) {
        if (r.type != kPersistDirectoryAtom) return true;
        const unsigned char* p = r.data;
        const unsigned char* stop = r.data + r.length;
        while (stop - p >= 4) {
            std::uint32_t head = U32(p);
            p += 4;
            std::uint32_t first = head & 0xFFFFF, count = head >> 20;
            for (std::uint32_t i = 0; i < count && stop - p >= 4; ++i, p += 4) offsets[first + i] = U32(p);
        }
        return true;
    });
    auto titleOfSlide = [&](std::uint32_t persistId) -> std::string {
        auto it = offsets.find(persistId);
        if (it == offsets.end() || it->second > bytes.size()) return {};
        std::string title;
        ForEachRecord(begin + it->second, end, [&](const Record& r) {
            if (r.type == kSlideContainer && r.bContainer) title = FindTitle(r.data, r.data + r.length);
            return false; // the one record at the offset
        });
        return title;
    };

    std::vector<std::string> titles;
    std::vector<std::uint32_t> persistIds;
    bool bDamaged = false;
    bool bOk = ForEachRecord(document->data, document->data + document->length, [&](const Record& list) {
        if (list.type != kSlideListWithText || !list.bContainer || list.instance != 0) return true;
        std::uint32_t textType = 0xFFFFFFFF;
        bDamaged = !ForEachRecord(list.data, list.data + list.length, [&](const Record& r) {
            if (r.type == kSlidePersistAtom) {
                titles.emplace_back();
                persistIds.push_back(r.length >= 4 ? U32(r.data) : 0);
                textType = 0xFFFFFFFF;
            } else if (r.type == kTextHeaderAtom && r.length >= 4) {
                textType = U32(r.data);
            } else if ((r.type == kTextCharsAtom || r.type == kTextBytesAtom) && !titles.empty() &&
                       titles.back().empty() && (textType == kTitleText || textType == kCenterTitleText)) {
                titles.back() = Clean(r.type == kTextCharsAtom ? Utf16ToUtf8(r.data, r.length)
                                                               : Latin1ToUtf8(r.data, r.length));
            }
            return true;
        });
        return false; // one slide list
    });
    if (!bOk || bDamaged) return fail("the slide list is damaged");
    for (size_t i = 0; i < titles.size(); ++i)
        if (titles[i].empty()) titles[i] = titleOfSlide(persistIds[i]);
    return titles;
}

} // namespace quillmark::simoffice::detail
