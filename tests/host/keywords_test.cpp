// Keywords text from a file made fit for the tag database.
#include "host/keywords.h"

#include "store/utf8.h"

#include <gmock/gmock.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;

TEST(KeywordText, LineBreaksSeparateTagsAndOtherControlsAndBadBytesAreReplaced)
{
    // Every kind of line break splits, like a comma.
    EXPECT_THAT(SplitTags(CleanKeywordText("a\nb\r\nc\rd\xC2\x85" "e\xE2\x80\xA8" "f\xE2\x80\xA9g")),
                ElementsAre("a", "b", "c", "d", "e", "f", "g"));
    // Tabs, other C0 and C1 controls and DEL become spaces inside a tag.
    EXPECT_EQ(CleanKeywordText("x\ty\x01z\x7Fw\xC2\x9Bv"), "x y z w v");
    // Bytes that are no UTF-8 (a lone continuation byte, a truncated sequence) become U+FFFD.
    EXPECT_EQ(CleanKeywordText("caf\xE9 \x80ok\xE2\x82"), "caf\xEF\xBF\xBD \xEF\xBF\xBDok\xEF\xBF\xBD\xEF\xBF\xBD");
    // Whatever came in, the result is text the database can store.
    using namespace std::literals;
    for (std::string_view input : {"\x00\x1F\xEF\xBF\xBE\xEF\xBF\xBF"sv, "\xF5\xFF"sv, "\xED\xA0\x80"sv})
        EXPECT_TRUE(utf8::IsXmlText(CleanKeywordText(input))) << testing::PrintToString(std::string(input));
    // Ordinary text passes through unchanged.
    EXPECT_EQ(CleanKeywordText("budget, q3, Übersicht, 予算"), "budget, q3, Übersicht, 予算");
}

} // namespace
} // namespace quillmark::test
