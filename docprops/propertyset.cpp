#include "docprops/propertyset.h"
#include "platform/errors/seterror.h"

#include <glib.h>

#include <algorithm>
#include <map>
#include <set>

namespace quillmark::docprops {

namespace {

constexpr std::uint16_t kVtI2 = 0x0002;
constexpr std::uint32_t kPidCodepage = 1;
constexpr std::uint16_t kCodepageUtf16 = 1200, kCodepageUtf8 = 65001;
// FMTID_SummaryInformation F29F85E0-4FF9-1068-AB91-08002B27B3D9 as stored.
constexpr unsigned char kSummaryFmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                             0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

std::uint32_t U32(std::string_view data, std::size_t pos)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 3])) << 24;
}

std::uint16_t U16(std::string_view data, std::size_t pos)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[pos]) |
                                      static_cast<unsigned char>(data[pos + 1]) << 8);
}

void PutU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutU16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void PadTo4(std::string& out)
{
    while (out.size() % 4) out += '\0';
}

std::optional<std::string> Convert(const std::string& text, const char* to)
{
    gsize written = 0;
    GError* pError = nullptr;
    gchar* converted = g_convert(text.data(), static_cast<gssize>(text.size()), to, "UTF-8", nullptr, &written, &pError);
    if (!converted) {
        if (pError) g_error_free(pError);
        return std::nullopt;
    }
    std::string result(converted, written);
    g_free(converted);
    return result;
}

// A typed string value: in the set's code page, else UTF-16.
std::string StringValue(const std::string& text, std::optional<std::uint16_t> codepage)
{
    std::string value;
    std::optional<std::string> bytes;
    if (codepage == kCodepageUtf8) bytes = text;
    else if (codepage == kCodepageUtf16) bytes = Convert(text, "UTF-16LE");
    else if (codepage) bytes = Convert(text, ("CP" + std::to_string(*codepage)).c_str());
    if (bytes && bytes->find('\0') == std::string::npos) {
        const std::string terminator(codepage == kCodepageUtf16 ? 2 : 1, '\0');
        PutU16(value, kVtString8);
        PutU16(value, 0);
        PutU32(value, static_cast<std::uint32_t>(bytes->size() + terminator.size()));
        value += *bytes + terminator;
    } else {
        const std::string utf16 = Convert(text, "UTF-16LE").value_or(std::string());
        PutU16(value, kVtString16);
        PutU16(value, 0);
        PutU32(value, static_cast<std::uint32_t>(utf16.size() / 2 + 1));
        value += utf16 + std::string(2, '\0');
    }
    PadTo4(value);
    return value;
}

struct RawProperty {
    std::uint32_t id;
    std::string value; // type and data as stored
};

// The properties of the set at `start` (of `size` bytes), their values as stored.
std::optional<std::vector<RawProperty>> ParseSet(std::string_view stream, std::size_t start, std::size_t size,
                                                 std::string* error)
{
    const std::string_view set = stream.substr(start, size);
    if (set.size() < 8) {
        SetError(error, "the property set is truncated");
        return std::nullopt;
    }
    const std::uint32_t count = U32(set, 4);
    if (count > (set.size() - 8) / 8) {
        SetError(error, "the property set is truncated");
        return std::nullopt;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries; // id, offset
    std::set<std::uint32_t> offsets{static_cast<std::uint32_t>(set.size())};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = U32(set, 8 + 8 * i), offset = U32(set, 12 + 8 * i);
        if (offset < 8 + 8 * count || offset >= set.size()) {
            SetError(error, "a property lies outside its property set");
            return std::nullopt;
        }
        entries.emplace_back(id, offset);
        offsets.insert(offset);
    }
    std::vector<RawProperty> properties;
    for (const auto& [id, offset] : entries) {
        const std::uint32_t end = *offsets.upper_bound(offset);
        properties.push_back({id, std::string(set.substr(offset, end - offset))});
    }
    return properties;
}

std::string BuildSet(const std::vector<RawProperty>& properties)
{
    std::string body;
    std::string table;
    const std::size_t headerSize = 8 + 8 * properties.size();
    for (const RawProperty& property : properties) {
        PutU32(table, property.id);
        PutU32(table, static_cast<std::uint32_t>(headerSize + body.size()));
        body += property.value;
        PadTo4(body);
    }
    std::string set;
    PutU32(set, static_cast<std::uint32_t>(headerSize + body.size()));
    PutU32(set, static_cast<std::uint32_t>(properties.size()));
    return set + table + body;
}

std::string NewSummaryStream()
{
    std::string stream;
    PutU16(stream, 0xFFFE);
    PutU16(stream, 0);          // version
    PutU32(stream, 0x00020006); // written on a Windows-compatible system
    stream += std::string(16, '\0');
    PutU32(stream, 1);
    stream.append(reinterpret_cast<const char*>(kSummaryFmtid), 16);
    PutU32(stream, 48);
    std::string codepage;
    PutU16(codepage, kVtI2);
    PutU16(codepage, 0);
    PutU16(codepage, kCodepageUtf8);
    PutU16(codepage, 0);
    return stream + BuildSet({{kPidCodepage, codepage}});
}

// The sets of a property set stream as stored (format id, bytes) and the
// properties of its first set; false (error set) when it is damaged.
bool ParseStream(std::string_view stream, std::vector<std::pair<std::string, std::string>>& sets,
                 std::vector<RawProperty>& first, std::string* error)
{
    if (stream.size() < 48 || U16(stream, 0) != 0xFFFE) {
        SetError(error, "the summary information is not a property set stream");
        return false;
    }
    const std::uint32_t setCount = U32(stream, 24);
    if (setCount < 1 || setCount > (stream.size() - 28) / 20) {
        SetError(error, "the summary information is damaged");
        return false;
    }
    for (std::uint32_t i = 0; i < setCount; ++i) {
        const std::size_t entry = 28 + 20 * i;
        const std::uint32_t offset = U32(stream, entry + 16);
        if (offset > stream.size() - 8 || U32(stream, offset) > stream.size() - offset) {
            SetError(error, "the summary information is damaged");
            return false;
        }
        const std::uint32_t size = U32(stream, offset);
        sets.emplace_back(std::string(stream.substr(entry, 16)), std::string(stream.substr(offset, size)));
        if (i == 0) {
            std::optional<std::vector<RawProperty>> parsed = ParseSet(stream, offset, size, error);
            if (!parsed) return false;
            first = std::move(*parsed);
        }
    }

    return true;
}

} // namespace

std::optional<std::map<std::uint32_t, StoredString>> StoredStrings(std::string_view stream, std::string* error)
{
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<RawProperty> first;
    if (!ParseStream(stream, sets, first, error)) return std::nullopt;
    std::map<std::uint32_t, StoredString> stored;
    for (const RawProperty& property : first) {
        StoredString entry;
        entry.type = property.value.size() >= 2 ? U16(property.value, 0) : 0;
        if ((entry.type == kVtString8 || entry.type == kVtString16) && property.value.size() >= 8) {
            entry.length = U32(property.value, 4);
            // Text before the first terminator; padding after it does not count.
            const std::size_t unit = entry.type == kVtString16 ? 2 : 1;
            entry.bHasText = entry.length > 1 && (property.value.size() < 8 + unit ||
                                                  (unit == 1 ? property.value[8] != 0 : U16(property.value, 8) != 0));
        }
        stored[property.id] = entry;
    }
    return stored;
}

std::optional<std::string> ReplaceStringProperties(std::string_view original,
                                                   const std::vector<std::pair<std::uint32_t, std::string>>& values,
                                                   std::string* error)
{
    const std::string fresh = original.empty() ? NewSummaryStream() : std::string();
    const std::string_view stream = original.empty() ? std::string_view(fresh) : original;
    // Each set as it is stored: its format id and its bytes.
    std::vector<std::pair<std::string, std::string>> sets;
    std::vector<RawProperty> first;
    if (!ParseStream(stream, sets, first, error)) return std::nullopt;

    std::optional<std::uint16_t> codepage;
    for (const RawProperty& property : first)
        if (property.id == kPidCodepage && property.value.size() >= 6 && U16(property.value, 0) == kVtI2)
            codepage = U16(property.value, 4);
    for (const auto& [id, text] : values) {
        std::erase_if(first, [pid = id](const RawProperty& property) { return property.id == pid; });
        if (!text.empty()) first.push_back({id, StringValue(text, codepage)});
    }
    sets[0].second = BuildSet(first);

    std::string result(stream.substr(0, 28));
    std::size_t offset = 28 + 20 * sets.size();
    for (const auto& [fmtid, bytes] : sets) {
        result += fmtid;
        PutU32(result, static_cast<std::uint32_t>(offset));
        offset += bytes.size();
        offset += (4 - offset % 4) % 4;
    }
    for (const auto& [fmtid, bytes] : sets) {
        result += bytes;
        PadTo4(result);
    }
    return result;
}

} // namespace quillmark::docprops
