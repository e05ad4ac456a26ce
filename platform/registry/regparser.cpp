// Reader of the ".reg" syntax: a header line, then "[key]" sections with
// "name"=data lines; hex data may continue over lines ending in "\".
#include "platform/registry/regfile.h"
#include "platform/registry/regtext.h"

#include <charconv>
#include <vector>

namespace quillmark::registry {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool ParseHexNumber(std::string_view digits, std::uint32_t& value)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    return ec == std::errc() && end == digits.data() + digits.size();
}

class Parser {
public:
    Parser(std::string_view text, RegistryModel& model, RegParseError& error)
        : m_model(model), m_error(error)
    {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            m_vecLines.push_back(line);
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
    }

    bool Run()
    {
        size_t i = 0;
        while (i < m_vecLines.size() && TrimRight(TrimLeft(m_vecLines[i])).empty())
            ++i;
        if (i == m_vecLines.size())
            return true; // nothing but white space: an empty registry
        if (TrimRight(TrimLeft(m_vecLines[i])) != kRegFileHeader)
            return Fail(i, "expected the header \"" + std::string(kRegFileHeader) + "\"");
        for (++i; i < m_vecLines.size(); ++i) {
            std::string_view line = TrimRight(TrimLeft(m_vecLines[i]));
            if (line.empty() || line.front() == ';')
                continue;
            bool bOk = line.front() == '[' ? KeyLine(i, line) : ValueLine(i, line);
            if (!bOk)
                return false;
        }
        return true;
    }

private:
    bool Fail(size_t lineIndex, std::string message)
    {
        m_error.line = static_cast<int>(lineIndex) + 1;
        m_error.message = std::move(message);
        return false;
    }

    bool KeyLine(size_t i, std::string_view line)
    {
        if (line.size() < 2 || line.back() != ']')
            return Fail(i, "a key line must end with \"]\"");
        std::string_view path = line.substr(1, line.size() - 2);
        bool bDelete = !path.empty() && path.front() == '-';
        if (bDelete)
            path.remove_prefix(1);
        size_t sep = path.find('\\');
        std::string_view rootName = path.substr(0, sep);
        std::string_view rest = sep == std::string_view::npos ? std::string_view() : path.substr(sep + 1);
        auto root = RootFromName(rootName);
        if (!root)
            return Fail(i, "unknown root key \"" + std::string(rootName) + "\"");
        std::vector<std::string> names;
        if (!SplitKeyPath(rest, names) || (sep != std::string_view::npos && names.empty())) {
            if (names.size() == kMaxKeyDepth)
                return Fail(i, "key path deeper than " + std::to_string(kMaxKeyDepth) + " levels");
            return Fail(i, "invalid key name \"" + std::string(path) + "\"");
        }
        if (bDelete) {
            if (!names.empty())
                m_model.DeleteKey(*root, rest);
            m_pKey = nullptr;
            return true;
        }
        m_pKey = m_model.CreateKey(*root, rest);
        return true;
    }

    // A quoted string at the start of `s` with \\ and \" escapes; `s` is advanced past it.
    bool QuotedString(size_t i, std::string_view& s, std::string& out)
    {
        out.clear();
        s.remove_prefix(1); // opening quote
        while (!s.empty()) {
            char c = s.front();
            s.remove_prefix(1);
            if (c == '"') {
                if (!IsValidUtf8(out))
                    return Fail(i, "text is not valid UTF-8");
                return true;
            }
            if (c == '\\') {
                if (s.empty() || (s.front() != '\\' && s.front() != '"'))
                    return Fail(i, "only \\\\ and \\\" may follow a backslash inside quotes");
                c = s.front();
                s.remove_prefix(1);
            }
            out += c;
        }
        return Fail(i, "missing closing quote");
    }

    // Joins the continuation lines of hex data (each ending in "\") into one text.
    bool JoinContinuations(size_t& i, std::string_view first, std::string& joined)
    {
        size_t startLine = i;
        joined.assign(first);
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            if (++i >= m_vecLines.size())
                return Fail(startLine, "hex data continues past the end of the file");
            joined += TrimRight(TrimLeft(m_vecLines[i]));
        }
        return true;
    }

    bool HexBytes(size_t i, std::string_view list, std::string& bytes)
    {
        bytes.clear();
        list = TrimRight(TrimLeft(list));
        if (list.empty())
            return true;
        while (true) {
            size_t comma = list.find(',');
            std::string_view token = TrimRight(TrimLeft(list.substr(0, comma)));
            std::uint32_t value;
            if (token.size() > 2 || !ParseHexNumber(token, value))
                return Fail(i, "invalid hex byte \"" + std::string(token) + "\"");
            bytes += static_cast<char>(value);
            if (comma == std::string_view::npos)
                return true;
            list.remove_prefix(comma + 1);
        }
    }

    bool ValueLine(size_t& i, std::string_view line)
    {
        size_t lineIndex = i;
        if (!m_pKey)
            return Fail(i, "a value outside any key");
        std::string name;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() == '"') {
            if (!QuotedString(i, rest, name))
                return false;
            if (!IsValidName(name, false))
                return Fail(i, "invalid value name");
        } else {
            return Fail(i, "expected [key], \"name\"=data or @=data");
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            return Fail(i, "expected \"=\" after the value name");
        rest = TrimLeft(rest.substr(1));

        RegValue value;
        if (rest == "-") {
            m_pKey->RemoveValue(name);
            return true;
        } else if (!rest.empty() && rest.front() == '"') {
            value.type = REG_SZ;
            if (!QuotedString(i, rest, value.text))
                return false;
            if (!TrimLeft(rest).empty())
                return Fail(i, "unexpected text after the closing quote");
        } else if (rest.substr(0, 6) == "dword:") {
            value.type = REG_DWORD;
            if (!ParseHexNumber(rest.substr(6), value.dword))
                return Fail(i, "a dword needs 1 to 8 hex digits");
        } else if (rest.substr(0, 3) == "hex") {
            rest.remove_prefix(3);
            std::uint32_t type = REG_BINARY;
            if (!rest.empty() && rest.front() == '(') {
                size_t close = rest.find(')');
                if (close == std::string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), type))
                    return Fail(i, "invalid hex(type)");
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':')
                return Fail(i, "expected \":\" after hex");
            std::string joined, bytes;
            if (!JoinContinuations(i, rest.substr(1), joined) || !HexBytes(lineIndex, joined, bytes))
                return false;
            if (!Decode(lineIndex, type, bytes, value))
                return false;
        } else {
            return Fail(i, "unrecognised value data");
        }
        m_pKey->SetValue(name, std::move(value));
        return true;
    }

    bool Decode(size_t i, std::uint32_t type, const std::string& bytes, RegValue& value)
    {
        value.type = type;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            if (!Utf16LeToUtf8(bytes, value.text))
                return Fail(i, "string data is not valid UTF-16LE");
        } else if (type == REG_DWORD) {
            if (bytes.size() != 4)
                return Fail(i, "dword data must be 4 bytes");
            for (int b = 3; b >= 0; --b)
                value.dword = (value.dword << 8) | static_cast<unsigned char>(bytes[b]);
        } else {
            value.raw = bytes; // kept as it is
        }
        return true;
    }

    RegistryModel& m_model;
    RegParseError& m_error;
    std::vector<std::string_view> m_vecLines;
    RegKeyNode* m_pKey = nullptr;
};

} // namespace

bool ParseRegFile(std::string_view text, RegistryModel& model, RegParseError& error)
{
    Parser parser(text, model, error);
    return parser.Run();
}

} // namespace quillmark::registry
