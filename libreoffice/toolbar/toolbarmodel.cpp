#include "libreoffice/toolbar/toolbarmodel.h"

#include <array>
#include <utility>

namespace quillmark::libreoffice {

namespace {

constexpr std::string_view kHex = "0123456789ABCDEF";

// RFC 3986 unreserved characters stay; everything else is %XX.
std::string PercentEncode(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        const bool bPlain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                            c == '-' || c == '.' || c == '_' || c == '~';
        if (bPlain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> PercentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

constexpr std::string_view kDisabled = "&disabled";

std::string Command(std::string_view verb, std::string_view id, bool bEnabled)
{
    std::string url(kCommandProtocol);
    url += verb;
    url += "?id=";
    url += PercentEncode(id);
    if (!bEnabled) url += kDisabled;
    return url;
}

} // namespace

std::string MnemonicLabel(std::string_view caption)
{
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '~') {
            out += "~~";
        } else if (c != '&') {
            out += c;
        } else if (i + 1 == caption.size()) {
            // a lone "&" at the end marks nothing
        } else if (caption[i + 1] == '&') {
            out += '&';
            ++i;
        } else {
            out += '~';
        }
    }
    return out;
}

std::string ClickCommand(std::string_view id, bool bEnabled) { return Command("click", id, bEnabled); }
std::string MenuCommand(std::string_view id, bool bEnabled) { return Command("menu", id, bEnabled); }

std::optional<ForwardedCommand> ParseCommand(std::string_view url)
{
    if (!url.starts_with(kCommandProtocol)) return std::nullopt;
    std::string_view rest = url.substr(kCommandProtocol.size());
    if (rest == kSearchCommand.substr(kCommandProtocol.size())) return ForwardedCommand{"search", "", ""};
    const std::size_t query = rest.find('?');
    if (query == std::string_view::npos) return std::nullopt;
    const std::string_view verb = rest.substr(0, query);
    if (verb != "click" && verb != "menu") return std::nullopt;
    std::string_view params = rest.substr(query + 1);
    if (!params.starts_with("id=")) return std::nullopt;
    // The id is percent-encoded, so an "&" ends it.
    if (params.ends_with(kDisabled)) params.remove_suffix(kDisabled.size());
    if (params.find('&') != std::string_view::npos) return std::nullopt;
    auto id = PercentDecode(params.substr(3));
    if (!id || id->empty()) return std::nullopt;
    return ForwardedCommand{std::string(verb), std::move(*id), ""};
}

} // namespace quillmark::libreoffice
