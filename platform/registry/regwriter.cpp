// Writer of the ".reg" syntax, in the layout the Windows registry editor exports:
// every key as a "[path]" section, values as "name"=data, long hex data wrapped
// with "\" continuations.
#include "platform/registry/regfile.h"
#include "platform/registry/regtext.h"

#include <cstdio>

namespace quillmark::registry {

namespace {

constexpr size_t kLineWidth = 80;

std::string Quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

void AppendHex(std::string& out, std::string line, std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        line += digits[b >> 4];
        line += digits[b & 0xF];
        if (i + 1 < bytes.size()) {
            line += ',';
            // Room is left for the next byte, its comma and the continuation mark.
            if (line.size() + 4 > kLineWidth) {
                out += line + "\\\n";
                line = "  ";
            }
        }
    }
    out += line + "\n";
}

void AppendValue(std::string& out, const std::string& name, const RegValue& value)
{
    std::string line = name.empty() ? "@=" : Quoted(name) + "=";
    if (value.type == REG_DWORD) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", value.dword);
        out += line + buffer + "\n";
    } else if (value.type == REG_SZ && value.text.find_first_of("\r\n") == std::string::npos) {
        out += line + Quoted(value.text) + "\n";
    } else if (value.IsText()) {
        // Expandable strings (and strings with line breaks, which quotes cannot hold)
        // are UTF-16LE bytes with their terminator.
        std::string bytes;
        Utf8ToUtf16Le(value.text, bytes);
        bytes.append(2, '\0');
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        AppendHex(out, line + prefix, bytes);
    } else {
        char prefix[16];
        if (value.type == REG_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        AppendHex(out, line + prefix, value.raw);
    }
}

void AppendKey(std::string& out, const std::string& path, const RegKeyNode& key, bool bIsRoot)
{
    // A root is written only when it holds values; every other key always, so that
    // empty keys survive.
    if (!bIsRoot || !key.Values().empty()) {
        out += "[" + path + "]\n";
        for (const auto& [name, value] : key.Values())
            AppendValue(out, name, value);
        out += "\n";
    }
    for (const auto& sub : key.SubKeys())
        AppendKey(out, path + "\\" + sub->Name(), *sub, false);
}

} // namespace

std::string FormatRegFile(const RegistryModel& model)
{
    std::string out(kRegFileHeader);
    out += "\n\n";
    for (RegRoot root : kAllRoots)
        AppendKey(out, RootName(root), model.Root(root), true);
    return out;
}

} // namespace quillmark::registry
