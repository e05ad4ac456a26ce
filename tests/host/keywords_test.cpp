// Keywords text from a file made fit for the tag database.
#include "host/keywords.h"

#include "docprops/docprops.h"
#include "platform/files/files.h"
#include "store/utf8.h"
#include "tests/host/eventhandlertestsupport.h"

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

namespace quillmark::test {
namespace {

template <class Wrapper>
class KeywordCustodyTest : public ::testing::Test {};
using KeywordWrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(KeywordCustodyTest, KeywordWrappers);

// A document opened while another process held the database: its save keeps its
// Keywords, and once the lock is free the next save unites them with the tags only
// the database held; nothing on either side is lost.
TYPED_TEST(KeywordCustodyTest, AMergeThatFailedOnOpeningIsMadeAtALaterSaveAndLosesNothing)
{
    EventHost<TypeParam> host;
    const std::string ext = std::is_same_v<TypeParam, WordApplication> ? ".docx" : ".pptx";
    const std::string path = host.Prepare("Plan" + ext, {{"Keywords", "budget, q3"}});
    host.Store(path, {"stored-only"});
    host.database.SetLockWait(100);
    simoffice::SimDocument* pDoc = nullptr;
    std::string err;
    {
        files::FileLock lock(host.DatabaseFile());
        ASSERT_TRUE(lock.Locked()) << lock.Error();
        ::testing::internal::CaptureStderr();
        pDoc = &host.Open(path);
        host.Save(*pDoc);
        host.Save(*pDoc);
        err = ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(docprops::Read(path)->keywords, "budget, q3");
    EXPECT_THAT(host.Stored(path), ElementsAre("stored-only"));
    // Said once, for both saves.
    const std::string said = "are kept as they are";
    ASSERT_NE(err.find(said), std::string::npos) << err;
    EXPECT_EQ(err.find(said, err.find(said) + 1), std::string::npos) << err;

    host.Save(*pDoc);
    EXPECT_EQ(docprops::Read(path)->keywords, "stored-only, budget, q3, Plan");
    EXPECT_THAT(host.Stored(path), ElementsAre("stored-only", "budget", "q3", "Plan"));
    // From now on the database wins: a tag removed there leaves Keywords at the next save.
    host.Store(path, {"budget", "Plan"});
    host.Save(*pDoc);
    EXPECT_EQ(docprops::Read(path)->keywords, "budget, Plan");
}

} // namespace
} // namespace quillmark::test
