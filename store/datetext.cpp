#include "store/datetext.h"

#include "resources/strings.h"

#include <ctime>

namespace quillmark {

namespace {

// A decimal integer read from the start of text[pos, pos + length): leading
// blanks and one sign allowed, stops at the first other character, 0 without digits.
int ReadField(std::string_view text, std::size_t pos, std::size_t length)
{
    if (pos >= text.size())
        return 0;
    const std::string_view field = text.substr(pos, length);
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    int value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
        value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

} // namespace

std::int64_t ParseDate(std::string_view text)
{
    const int year = ReadField(text, 0, 4);
    const int month = ReadField(text, 5, 2);
    const int day = ReadField(text, 8, 2);
    const int hour = ReadField(text, 11, 2);
    const int minute = ReadField(text, 14, 2);
    const int second = ReadField(text, 17, 2);
    if (year < 1969 || month < 1 || month > 12 || hour > 24 || minute > 59 || second > 59)
        return 0;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1; // the zone's own rule for that date; mktime also carries overflows
    const std::time_t time = std::mktime(&tm);
    // mktime's error value is also 1969-12-31 23:59:59 UTC: both read as not set,
    // like every other moment before 1970.
    if (time <= 0)
        return 0;
    return static_cast<std::int64_t>(time);
}

std::string FormatDate(std::int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return {};
    const std::string& format = LoadResString(116);
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format.c_str(), &tm);
    return std::string(buffer, n);
}

} // namespace quillmark
