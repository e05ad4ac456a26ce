#pragma once
// Sets the TZ environment variable for one test and restores it afterwards.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quillmark::test {

// POSIX rules, so no time zone database is needed.
inline constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
inline constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

class ScopedTz {
public:
    explicit ScopedTz(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            m_strOld = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTz()
    {
        if (m_strOld)
            ::setenv("TZ", m_strOld->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::optional<std::string> m_strOld;
};

} // namespace quillmark::test
