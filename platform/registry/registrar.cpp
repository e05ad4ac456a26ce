#include "platform/registry/registrar.h"

#include "platform/registry/regtext.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

namespace quillmark::registry {

namespace {

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

struct Token {
    std::string text; // replacements applied
    std::string raw;  // as written (for keywords and messages)
    bool bQuoted = false;
    int line = 1;
};

// A failed step; carries the message that becomes the registrar's error.
struct ScriptError {
    std::string message;
};

[[noreturn]] void Fail(int line, const std::string& message)
{
    throw ScriptError{"line " + std::to_string(line) + ": " + message};
}

class Tokenizer {
public:
    Tokenizer(std::string_view script, const std::map<std::string, std::string>& replacements)
        : m_script(script), m_replacements(replacements)
    {
    }

    std::vector<Token> Run()
    {
        std::vector<Token> tokens;
        size_t i = 0;
        int line = 1;
        while (i < m_script.size()) {
            char c = m_script[i];
            if (c == '\n') {
                ++line;
                ++i;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
                continue;
            }
            Token token;
            token.line = line;
            if (c == '\'') {
                token.bQuoted = true;
                ++i;
                while (true) {
                    if (i >= m_script.size())
                        Fail(token.line, "quoted text is not closed");
                    if (m_script[i] == '\'') {
                        if (i + 1 < m_script.size() && m_script[i + 1] == '\'') {
                            token.raw += '\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (m_script[i] == '\n')
                        ++line;
                    token.raw += m_script[i++];
                }
            } else {
                while (i < m_script.size() && !std::isspace(static_cast<unsigned char>(m_script[i])) &&
                       m_script[i] != '\'')
                    token.raw += m_script[i++];
            }
            token.text = Replace(token.raw, token.line);
            tokens.push_back(std::move(token));
        }
        return tokens;
    }

private:
    std::string Replace(const std::string& word, int line) const
    {
        std::string out;
        size_t pos = 0;
        while (true) {
            size_t start = word.find('%', pos);
            if (start == std::string::npos) {
                out.append(word, pos, std::string::npos);
                return out;
            }
            out.append(word, pos, start - pos);
            size_t end = word.find('%', start + 1);
            if (end == std::string::npos)
                Fail(line, "\"%\" without its closing \"%\" in \"" + word + "\"");
            std::string name = word.substr(start + 1, end - start - 1);
            if (name.empty()) {
                out += '%';
            } else {
                auto found = m_replacements.find(Upper(name));
                if (found == m_replacements.end())
                    Fail(line, "no replacement for %" + name + "%");
                out += found->second;
            }
            pos = end + 1;
        }
    }

    std::string_view m_script;
    const std::map<std::string, std::string>& m_replacements;
};

bool IsWord(const Token& token, std::string_view keyword)
{
    return !token.bQuoted && EqualNoCase(token.raw, keyword);
}

bool IsPunct(const Token& token)
{
    return !token.bQuoted && (token.raw == "{" || token.raw == "}" || token.raw == "=");
}

enum class KeyKind { Plain, ForceRemove, NoRemove, Delete };

class ScriptRunner {
public:
    ScriptRunner(std::vector<Token> tokens, RegistryModel& model, RegistrarMode mode)
        : m_tokens(std::move(tokens)), m_model(model), m_bRegister(mode == RegistrarMode::Register)
    {
    }

    void Run()
    {
        while (m_nPos < m_tokens.size()) {
            const Token& rootToken = Next("a root key");
            std::optional<RegRoot> root = RootOf(rootToken);
            if (!root)
                Fail(rootToken.line, "\"" + rootToken.raw + "\" is not a root key (HKCR, HKCU or HKLM)");
            Expect("{");
            RunBody(&m_model.Root(*root), true);
        }
    }

private:
    static std::optional<RegRoot> RootOf(const Token& token)
    {
        if (token.bQuoted)
            return std::nullopt;
        if (IsWord(token, "HKCR") || IsWord(token, "HKEY_CLASSES_ROOT"))
            return RegRoot::ClassesRoot;
        if (IsWord(token, "HKCU") || IsWord(token, "HKEY_CURRENT_USER"))
            return RegRoot::CurrentUser;
        if (IsWord(token, "HKLM") || IsWord(token, "HKEY_LOCAL_MACHINE"))
            return RegRoot::LocalMachine;
        return std::nullopt;
    }

    const Token& Next(const char* what)
    {
        if (m_nPos >= m_tokens.size()) {
            int line = m_tokens.empty() ? 1 : m_tokens.back().line;
            Fail(line, std::string("the script ends where ") + what + " is expected");
        }
        return m_tokens[m_nPos++];
    }
    const Token* Peek() const { return m_nPos < m_tokens.size() ? &m_tokens[m_nPos] : nullptr; }
    void Expect(const char* punct)
    {
        const Token& token = Next((std::string("\"") + punct + "\"").c_str());
        if (token.bQuoted || token.raw != punct)
            Fail(token.line, std::string("\"") + punct + "\" expected, found \"" + token.raw + "\"");
    }

    const Token& Name(const char* what)
    {
        const Token& token = Next(what);
        if (IsPunct(token))
            Fail(token.line, std::string(what) + " expected, found \"" + token.raw + "\"");
        return token;
    }

    // "s 'text'" or "d 'number'" after an "=".
    RegValue ReadValue()
    {
        const Token& type = Next("a value type");
        const Token& data = Next("a value");
        if (IsPunct(data))
            Fail(data.line, "a value expected, found \"" + data.raw + "\"");
        if (IsWord(type, "s")) {
            if (!IsValidUtf8(data.text) || data.text.find('\0') != std::string::npos)
                Fail(data.line, "the text \"" + data.raw + "\" is not valid UTF-8 text");
            return RegValue::String(data.text);
        }
        if (IsWord(type, "d")) {
            const std::string& digits = data.text;
            bool bHex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
            std::string_view body = bHex ? std::string_view(digits).substr(2) : std::string_view(digits);
            bool bOk = !body.empty();
            for (char c : body)
                bOk = bOk && (bHex ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                   : std::isdigit(static_cast<unsigned char>(c)) != 0);
            unsigned long long number = 0;
            if (bOk) {
                errno = 0;
                number = std::strtoull(std::string(body).c_str(), nullptr, bHex ? 16 : 10);
                bOk = errno == 0 && number <= 0xFFFFFFFFull;
            }
            if (!bOk)
                Fail(data.line, "\"" + data.raw + "\" is not a 32-bit number");
            return RegValue::DWord(static_cast<std::uint32_t>(number));
        }
        if (IsWord(type, "m") || IsWord(type, "b"))
            Fail(type.line, "value type \"" + type.raw + "\" is not supported (only s and d)");
        Fail(type.line, "\"" + type.raw + "\" is not a value type (s or d)");
    }

    static void CheckName(const Token& token, bool bKeyName)
    {
        if (token.text.empty() || !IsValidName(token.text, bKeyName))
            Fail(token.line, std::string("\"") + token.text + "\" cannot be a registry " +
                                 (bKeyName ? "key" : "value") + " name");
    }

    // The items of a key up to its closing "}". `pKey` is the key when `bLive`;
    // a body that is only read (a deleted or absent key) has bLive false.
    void RunBody(RegKeyNode* pKey, bool bLive)
    {
        while (true) {
            const Token& token = Next("\"}\"");
            if (!token.bQuoted && token.raw == "}")
                return;
            if (IsPunct(token))
                Fail(token.line, "a key name expected, found \"" + token.raw + "\"");
            if (IsWord(token, "val")) {
                RunValue(pKey, bLive);
                continue;
            }
            KeyKind kind = KeyKind::Plain;
            const Token* pName = &token;
            if (IsWord(token, "ForceRemove"))
                kind = KeyKind::ForceRemove;
            else if (IsWord(token, "NoRemove"))
                kind = KeyKind::NoRemove;
            else if (IsWord(token, "Delete"))
                kind = KeyKind::Delete;
            if (kind != KeyKind::Plain)
                pName = &Name("a key name");
            RunKey(pKey, bLive, kind, *pName);
        }
    }

    void RunValue(RegKeyNode* pKey, bool bLive)
    {
        const Token& name = Name("a value name");
        CheckName(name, false);
        Expect("=");
        RegValue value = ReadValue();
        if (!bLive)
            return;
        if (m_bRegister)
            pKey->SetValue(name.text, std::move(value));
        else
            pKey->RemoveValue(name.text);
    }

    void RunKey(RegKeyNode* pParent, bool bLive, KeyKind kind, const Token& name)
    {
        CheckName(name, true);
        std::optional<RegValue> value;
        if (const Token* next = Peek(); next && IsWord(*next, "=")) {
            ++m_nPos;
            value = ReadValue();
        }
        bool bHasBody = false;
        if (const Token* next = Peek(); next && !next->bQuoted && next->raw == "{") {
            ++m_nPos;
            bHasBody = true;
        }

        if (m_bRegister) {
            RegKeyNode* pKey = nullptr;
            if (bLive && kind == KeyKind::Delete) {
                pParent->RemoveSubKey(name.text);
            } else if (bLive) {
                if (kind == KeyKind::ForceRemove)
                    pParent->RemoveSubKey(name.text);
                pKey = &pParent->CreateSubKey(name.text);
                if (value)
                    pKey->SetValue("", *value);
            }
            if (bHasBody)
                RunBody(pKey, pKey != nullptr);
            return;
        }

        RegKeyNode* pKey = bLive && kind != KeyKind::Delete ? pParent->FindSubKey(name.text) : nullptr;
        if (kind == KeyKind::ForceRemove) {
            if (bHasBody)
                RunBody(nullptr, false);
            if (pKey)
                pParent->RemoveSubKey(name.text);
            return;
        }
        if (bHasBody)
            RunBody(pKey, pKey != nullptr);
        if (!pKey)
            return;
        if (value)
            pKey->RemoveValue("");
        if (kind == KeyKind::Plain && pKey->SubKeys().empty() && pKey->Values().empty())
            pParent->RemoveSubKey(name.text);
    }

    std::vector<Token> m_tokens;
    size_t m_nPos = 0;
    RegistryModel& m_model;
    bool m_bRegister;
};

} // namespace

void Registrar::AddReplacement(const std::string& name, const std::string& value)
{
    m_replacements[Upper(name)] = value;
}

RegStatus Registrar::Apply(RegistryModel& model, std::string_view script, RegistrarMode mode)
{
    m_strError.clear();
    try {
        ScriptRunner runner(Tokenizer(script, m_replacements).Run(), model, mode);
        runner.Run();
    } catch (const ScriptError& error) {
        m_strError = error.message;
        return RegStatus::InvalidArgument;
    }
    return RegStatus::Ok;
}

RegStatus Registrar::Run(std::string_view script, RegistrarMode mode)
{
    bool bScriptFailed = false;
    RegStatus status = m_registry.Update([&](RegistryModel& model) {
        RegStatus applied = Apply(model, script, mode);
        bScriptFailed = applied != RegStatus::Ok;
        return applied;
    });
    if (status != RegStatus::Ok && !bScriptFailed)
        m_strError = m_registry.Error();
    return status;
}

} // namespace quillmark::registry
