#include "store/tagtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace quillmark;

namespace {

TEST(TagText, SplitTrimsDropsEmptyPiecesAndKeepsDuplicates)
{
    EXPECT_EQ(SplitTags(" budget ,  Finance 2005,budget,, "),
              (TagList{"budget", "Finance 2005", "budget"}));
    EXPECT_TRUE(SplitTags("").empty());
    EXPECT_TRUE(SplitTags(" , ,,  ,").empty());
    EXPECT_EQ(SplitTags("a;b"), TagList{"a;b"});
    EXPECT_EQ(SplitTags("\tline\nbreak\r\n, x"), (TagList{"line\nbreak", "x"}));
    EXPECT_EQ(SplitTags("Case,case,CASE"), (TagList{"Case", "case", "CASE"}));
    EXPECT_EQ(SplitTags("solo"), TagList{"solo"});
    EXPECT_EQ(SplitTags(",lead"), TagList{"lead"});
}

TEST(TagText, TrimUsesUnicodeWhiteSpace)
{
    // NO-BREAK SPACE, IDEOGRAPHIC SPACE, LINE SEPARATOR, NEL, EN QUAD at the ends.
    EXPECT_EQ(TrimTag("\u00A0\u3000Äpfel\u2028\u0085\u2000"), "Äpfel");
    EXPECT_EQ(TrimTag("\u00A0a\u00A0b\u00A0"), "a\u00A0b"); // inside stays
    EXPECT_EQ(SplitTags("\u3000x\u3000,\u2029"), TagList{"x"});
    // Not white space: ZERO WIDTH SPACE and the BOM are kept.
    EXPECT_EQ(TrimTag("\u200Bx\uFEFF"), "\u200Bx\uFEFF");
    EXPECT_EQ(TrimTag("   "), "");
    EXPECT_EQ(TrimTag(""), "");
}

TEST(TagText, InvalidUtf8IsKeptAndNeverCrashes)
{
    const std::string bad[] = {"\xFF", "a\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC0\xA0", "\xED\xA0\x80 x",
                               " \x80 "};
    for (const std::string& text : bad) {
        const std::string trimmed = TrimTag(text);
        EXPECT_FALSE(trimmed.empty()) << text;
        EXPECT_NE(trimmed.find_first_not_of(' '), std::string::npos);
    }
    // A truncated sequence at the end is not eaten as white space.
    EXPECT_EQ(TrimTag("a\xC2"), "a\xC2");
    // The overlong form of a blank is not a blank.
    EXPECT_EQ(TrimTag("\xC0\xA0" "a"), "\xC0\xA0" "a");
    EXPECT_EQ(SplitTags("\xFF,\xFE"), (TagList{"\xFF", "\xFE"}));
}

TEST(TagText, JoinUsesCommaBlankAndRoundTrips)
{
    EXPECT_EQ(JoinTags({}), "");
    EXPECT_EQ(JoinTags({"solo"}), "solo");
    EXPECT_EQ(JoinTags({"budget", "Finance 2005"}), "budget, Finance 2005");
    const TagList tags{"budget", "Finance 2005", "budget", "R&D"};
    EXPECT_EQ(SplitTags(JoinTags(tags)), tags);
}

TEST(TagText, TagLessOrdersByUtf16CodeUnits)
{
    const TagLess less;
    EXPECT_TRUE(less("B", "a")); // uppercase first
    EXPECT_TRUE(less("Budget", "budget"));
    EXPECT_TRUE(less("a", "ab"));
    EXPECT_FALSE(less("ab", "a"));
    EXPECT_FALSE(less("same", "same"));
    EXPECT_TRUE(less("z", "\u00E9")); // é after ASCII
    // Supplementary characters (surrogates D800-DFFF in UTF-16) sort after U+D7FF
    // and before U+E000..U+FFFF, although their code points are larger.
    const std::string linearB = "\U00010000", emoji = "\U0001F600", hangul = "\uD7A3",
                      privateUse = "\uE000", replacement = "\uFFFD";
    EXPECT_TRUE(less(hangul, linearB));
    EXPECT_TRUE(less(linearB, privateUse));
    EXPECT_TRUE(less(emoji, replacement));
    EXPECT_FALSE(less(privateUse, emoji));
    EXPECT_TRUE(less(linearB, emoji));
    EXPECT_TRUE(less("x" + emoji, "x" + privateUse));

    const TagSet set{"budget", "Budget", replacement, emoji, "a", "budget", "\u00C4pfel"};
    const std::vector<std::string> ordered(set.begin(), set.end());
    EXPECT_EQ(ordered, (std::vector<std::string>{"Budget", "a", "budget", "\u00C4pfel", emoji,
                                                 replacement}));
    // Transparent look-up with string_view.
    EXPECT_NE(set.find(std::string_view("Budget")), set.end());
}

TEST(TagText, TagLessIsAStrictOrderEvenForInvalidBytes)
{
    const std::vector<std::string> items{"", "a", "\xFF", "\xFE", "a\xFF", "a\xC3", "\xC3\xA9", "\xEF\xBF\xBD",
                                         "\xF0\x90\x80\x80", "\xED\xA0\x80", "b", "\x80"};
    const TagLess less;
    for (const auto& x : items) {
        EXPECT_FALSE(less(x, x));
        for (const auto& y : items) {
            if (x != y) {
                EXPECT_NE(less(x, y), less(y, x)) << "incomparable: " << x << " / " << y;
            }
            for (const auto& z : items) {
                if (less(x, y) && less(y, z)) {
                    EXPECT_TRUE(less(x, z));
                }
            }
        }
    }
    const TagSet set(items.begin(), items.end());
    EXPECT_EQ(set.size(), items.size()); // distinct byte strings stay distinct
}

} // namespace
