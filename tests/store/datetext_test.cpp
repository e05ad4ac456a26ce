#include "store/datetext.h"

#include "tests/store/scopedtz.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace quillmark;
using quillmark::test::ScopedTz;

namespace {

// Seconds of a UTC calendar moment (timegm carries out-of-range fields too).
std::int64_t Utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(::timegm(&tm));
}

TEST(DateText, ReadsFixedPositionsWithBoundsAndCarries)
{
    ScopedTz tz("UTC0");
    EXPECT_EQ(ParseDate("2005-10-09 14:03:27"), Utc(2005, 10, 9, 14, 3, 27));
    // Out of bounds: not set.
    EXPECT_EQ(ParseDate("2005-13-01 10:00:00"), 0);
    EXPECT_EQ(ParseDate("2005-00-01 10:00:00"), 0);
    EXPECT_EQ(ParseDate("1968-12-31 23:59:59"), 0);
    EXPECT_EQ(ParseDate("2005-10-09 25:00:00"), 0);
    EXPECT_EQ(ParseDate("2005-10-09 10:60:00"), 0);
    EXPECT_EQ(ParseDate("2005-10-09 10:00:60"), 0);
    EXPECT_EQ(ParseDate(""), 0);
    EXPECT_EQ(ParseDate("yesterday"), 0);
    // Carries: hour 24, day 31 of a 30-day month, day 0, an unchecked day 99.
    EXPECT_EQ(ParseDate("2005-10-09 24:00:00"), Utc(2005, 10, 10, 0, 0, 0));
    EXPECT_EQ(ParseDate("2005-09-31 08:00:00"), Utc(2005, 10, 1, 8, 0, 0));
    EXPECT_EQ(ParseDate("2005-03-00 08:00:00"), Utc(2005, 2, 28, 8, 0, 0));
    EXPECT_EQ(ParseDate("2005-10-99 00:00:00"), Utc(2006, 1, 7, 0, 0, 0));
    // No lower bound on hour, minute and second.
    EXPECT_EQ(ParseDate("2005-10-09 -1:00:00"), Utc(2005, 10, 8, 23, 0, 0));
    EXPECT_EQ(ParseDate("2005-10-09 00:-5:-9"), Utc(2005, 10, 8, 23, 54, 51));
    // Each field: leading blanks and a sign, stops at the first other character;
    // the separators are not checked.
    EXPECT_EQ(ParseDate("2005- 9-+9 1x:03:2 "), Utc(2005, 9, 9, 1, 3, 2));
    EXPECT_EQ(ParseDate("2005/10/09T14.03.27"), Utc(2005, 10, 9, 14, 3, 27));
    EXPECT_EQ(ParseDate("2005-10-09"), Utc(2005, 10, 9, 0, 0, 0)); // short: the rest reads 0
    EXPECT_EQ(ParseDate("2005-10-09 14:03:27 and more"), Utc(2005, 10, 9, 14, 3, 27));
    // 1969 passes the bounds but lies before 1970: not set.
    EXPECT_EQ(ParseDate("1969-12-31 23:59:59"), 0);
    EXPECT_EQ(ParseDate("1970-01-01 00:00:01"), 1);
}

TEST(DateText, WritesLocalTimeAndReadsItBack)
{
    {
        ScopedTz tz("UTC0");
        EXPECT_EQ(FormatDate(Utc(2005, 10, 9, 14, 3, 27)), "2005-10-09 14:03:27");
        EXPECT_EQ(FormatDate(Utc(1999, 1, 2, 3, 4, 5)), "1999-01-02 03:04:05");
    }
    ScopedTz tz(test::kBerlin);
    // Summer (UTC+2) and winter (UTC+1) in the same zone.
    EXPECT_EQ(FormatDate(Utc(2005, 7, 1, 10, 0, 0)), "2005-07-01 12:00:00");
    EXPECT_EQ(FormatDate(Utc(2005, 1, 1, 11, 0, 0)), "2005-01-01 12:00:00");
    EXPECT_EQ(ParseDate("2005-07-01 12:00:00"), Utc(2005, 7, 1, 10, 0, 0));
    EXPECT_EQ(ParseDate("2005-01-01 12:00:00"), Utc(2005, 1, 1, 11, 0, 0));
    // Carries land on the zone's rule for the resulting date.
    EXPECT_EQ(ParseDate("2005-03-26 24:30:00"), Utc(2005, 3, 26, 23, 30, 0));
    EXPECT_EQ(ParseDate("2005-03-27 24:00:00"), Utc(2005, 3, 27, 22, 0, 0));
    EXPECT_EQ(ParseDate("2005-02-31 12:00:00"), Utc(2005, 3, 3, 11, 0, 0));
    EXPECT_EQ(ParseDate("2005-09-31 12:00:00"), Utc(2005, 10, 1, 10, 0, 0));
    EXPECT_EQ(ParseDate("2005-03-27 12:00:00"), Utc(2005, 3, 27, 10, 0, 0));
    // Every hour of a year round-trips, except the repeated autumn hour that
    // reads back either way.
    for (std::int64_t t = Utc(2005, 1, 1, 0, 0, 0); t < Utc(2006, 1, 1, 0, 0, 0); t += 3600 + 17) {
        const std::int64_t back = ParseDate(FormatDate(t));
        if (back != t) {
            EXPECT_EQ(std::llabs(back - t), 3600) << FormatDate(t);
        }
    }
    // Midnight local time on 1970-01-01 is before the epoch here: not set.
    EXPECT_EQ(ParseDate("1970-01-01 00:30:00"), 0);
    ScopedTz west(test::kNewYork);
    EXPECT_EQ(FormatDate(Utc(2005, 10, 9, 14, 3, 27)), "2005-10-09 10:03:27");
    EXPECT_EQ(ParseDate("2005-12-09 10:03:27"), Utc(2005, 12, 9, 15, 3, 27));
}

} // namespace
