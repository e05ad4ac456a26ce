#pragma once
// Sets (or, with nullptr, removes) an environment variable for a scope and
// restores what it was afterwards.
#include <cstdlib>
#include <optional>
#include <string>

namespace quillmark::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_strName(name)
    {
        if (const char* old = std::getenv(name))
            m_optOld = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ScopedEnv(const char* name, const std::optional<std::string>& value)
        : ScopedEnv(name, value ? value->c_str() : nullptr)
    {
    }
    ~ScopedEnv()
    {
        if (m_optOld)
            setenv(m_strName.c_str(), m_optOld->c_str(), 1);
        else
            unsetenv(m_strName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_strName;
    std::optional<std::string> m_optOld;
};

} // namespace quillmark::test
