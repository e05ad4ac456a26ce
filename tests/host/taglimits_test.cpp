// Keywords written by anyone enter the tag database within limits, in both hosts:
// an enormous keyword and a hundred thousand keywords give a bounded record, say
// so once, and stay in the document; tags a user stored are never cut; the bar
// shows a bounded number of tag buttons however many tags a record holds.
#include "tests/host/eventhandlertestsupport.h"

#include "docprops/taglimits.h"
#include "store/utf8.h"

#include <gmock/gmock.h>

#include <set>

namespace quillmark::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

template <class Wrapper>
class TagLimitsTest : public ::testing::Test {};
using Wrappers = ::testing::Types<WordApplication, PowerPointApplication>;
TYPED_TEST_SUITE(TagLimitsTest, Wrappers);

constexpr const char* kLimitedNote = "Only part of the Keywords of";

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Characters (code points) of well-formed UTF-8; npos when it is not well-formed.
std::size_t Characters(const std::string& text)
{
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < text.size(); ++n) {
        const utf8::Unit unit = utf8::Decode(text, pos);
        if (!unit.valid) return std::string::npos;
        pos += unit.length;
    }
    return n;
}

// `n` distinct tags: "k0", "k1", ...
TagList Numbered(std::size_t n, const std::string& prefix = "k")
{
    TagList tags;
    for (std::size_t i = 0; i < n; ++i) tags.push_back(prefix + std::to_string(i));
    return tags;
}

// Opens `path`, saves it once, and returns what the host said on stderr meanwhile.
template <class Host> std::string OpenSaveAndListen(Host& host, const std::string& path, simoffice::SimDocument*& doc)
{
    ::testing::internal::CaptureStderr();
    doc = &host.Open(path);
    host.Activate(*doc);
    host.Save(*doc);
    host.Activate(*doc);
    return ::testing::internal::GetCapturedStderr();
}

TYPED_TEST(TagLimitsTest, HugeKeywordsGiveABoundedRecordSaySoOnceAndStayInTheDocument)
{
    EventHost<TypeParam> host;
    // One keyword of 15 MB whose 256th character is a two-byte one, one whose cut
    // would end in a space, one of four-byte characters, and a short one.
    const std::string huge = std::string(255, 'a') + "\xC3\xA9" + std::string(15u << 20, 'b');
    const std::string spaced = std::string(255, 'c') + " " + std::string(1000, 'd');
    std::string clefs;
    for (int i = 0; i < 300; ++i) clefs += "\xF0\x9D\x84\x9E"; // U+1D11E
    const std::string keywords = "short, " + huge + ", " + spaced + ", " + clefs;
    // Property texts of a file the host keeps itself, so no property reader's own
    // limit stands between the Keywords and the add-in.
    const std::string path = host.Prepare("Huge.txt", {{"Keywords", keywords}});

    ::testing::internal::CaptureStderr();
    simoffice::SimDocument& doc = host.Open(path);
    host.Activate(doc);
    const TagList opened = host.Stored(path);
    host.Save(doc);
    host.Activate(doc);
    host.Save(doc);
    const std::string err = ::testing::internal::GetCapturedStderr();

    std::string clefsCut;
    for (std::size_t i = 0; i < kMaxTagCharacters; ++i) clefsCut += "\xF0\x9D\x84\x9E";
    EXPECT_THAT(opened, ElementsAreArray({std::string("short"), std::string(255, 'a') + "\xC3\xA9",
                                          std::string(255, 'c'), clefsCut, std::string("Huge")}));
    for (const std::string& tag : opened) EXPECT_LE(Characters(tag), kMaxTagCharacters);
    EXPECT_EQ(Count(err, kLimitedNote), 1u) << err.substr(0, 2000);
    EXPECT_THAT(err, HasSubstr(path));
    EXPECT_THAT(err, HasSubstr("3 tags were cut, 0 left out"));

    // The saves kept what the database did not take where it stood, and the record
    // stayed as the opening made it.
    EXPECT_EQ(host.Stored(path), opened);
    EXPECT_EQ(doc.Property("Keywords"), "short, " + huge + ", " + spaced + ", " + clefs + ", Huge");

    // Tags the user removes stay removed; the file's originals stay in the file.
    host.Store(path, {"short", "Huge"});
    host.Save(doc);
    EXPECT_THAT(host.Stored(path), ElementsAreArray({"short", "Huge"}));
    EXPECT_EQ(doc.Property("Keywords"), "short, Huge, " + huge + ", " + spaced + ", " + clefs);
}

TYPED_TEST(TagLimitsTest, AHundredThousandKeywordsGiveAThousandTagsAndTheDocumentKeepsThemAll)
{
    EventHost<TypeParam> host;
    const TagList many = Numbered(100000);
    const std::string keywords = JoinTags(many);
    const std::string path = host.Prepare("Many.txt", {{"Keywords", keywords}});

    simoffice::SimDocument* opened = nullptr;
    const std::string err = OpenSaveAndListen(host, path, opened);
    simoffice::SimDocument& doc = *opened;

    // The first thousand in the file's order, then the file-name tag.
    TagList expected(many.begin(), many.begin() + kMaxTagsFromFile);
    expected.push_back("Many");
    EXPECT_EQ(host.Stored(path), expected);
    EXPECT_EQ(Count(err, kLimitedNote), 1u) << err.substr(0, 2000);
    EXPECT_THAT(err, HasSubstr("0 tags were cut, 99000 left out"));
    TagList kept = expected;
    kept.insert(kept.end(), many.begin() + kMaxTagsFromFile, many.end());
    EXPECT_EQ(doc.Property("Keywords"), JoinTags(kept));
    EXPECT_EQ(host.TagButtons().size(), kMaxTagButtons);
    EXPECT_EQ(host.TagButtons().back(), "k" + std::to_string(kMaxTagButtons - 1) + " 1546");

    // Opened again, the document adds nothing and says so once more.
    host.Close(doc);
    ::testing::internal::CaptureStderr();
    host.Open(path);
    EXPECT_EQ(Count(::testing::internal::GetCapturedStderr(), kLimitedNote), 1u);
    EXPECT_EQ(host.Stored(path), expected);
}

TYPED_TEST(TagLimitsTest, TagsTheUserStoredAreNeverCutAndCountTowardsTheFilesShare)
{
    EventHost<TypeParam> host;
    // What the Tag dialog or the command line may store: long tags, many tags.
    TagList stored = Numbered(1500, "tag");
    stored.insert(stored.begin(), std::string(300, 'L') + "\xE2\x82\xAC");
    const std::string extra(400, 'N');
    const std::string path = host.Prepare("Mine.txt", {{"Keywords", JoinTags(stored) + ", " + extra}});
    stored.push_back("Mine");
    host.Store(path, stored);

    simoffice::SimDocument* opened = nullptr;
    const std::string err = OpenSaveAndListen(host, path, opened);
    simoffice::SimDocument& doc = *opened;

    // The record already holds more than a file may give: the new keyword is left
    // out, and stays in the document.
    EXPECT_EQ(host.Stored(path), stored);
    EXPECT_EQ(doc.Property("Keywords"), JoinTags(stored) + ", " + extra);
    EXPECT_EQ(Count(err, kLimitedNote), 1u) << err.substr(0, 2000);
    EXPECT_THAT(err, HasSubstr("0 tags were cut, 1 left out"));
}

TYPED_TEST(TagLimitsTest, ANewDocumentsOwnKeywordsAreNeverCutButAFileFromTheTemporaryFolderIs)
{
    EventHost<TypeParam> host;
    const std::string ext = HostTraits<TypeParam>::kExtension;
    // Keywords given in the host itself (the Tag dialog of a document without a
    // file, its properties) are the user's.
    TagList typed = Numbered(1500, "t");
    typed.insert(typed.begin(), std::string(300, 'T'));
    ::testing::internal::CaptureStderr();
    simoffice::SimDocument& doc = host.New();
    doc.SetProperty("Keywords", JoinTags(typed));
    const std::string path = host.docs + "/Typed" + ext;
    host.Save(doc, path);
    // Word records a document saved for the first time at its next activation.
    host.Activate(host.New());
    host.Activate(doc);
    std::string err = ::testing::internal::GetCapturedStderr();
    TagList expected = typed;
    expected.push_back("Typed");
    EXPECT_EQ(host.Stored(path), expected);
    EXPECT_THAT(err, Not(HasSubstr(kLimitedNote)));

    // A file opened from the temporary folder and saved elsewhere brings the file's
    // Keywords: they enter within the limits when it is first recorded.
    const std::string inTemp = host.Prepare(host.tempFolder + "/Hostile.txt",
                                            {{"Keywords", "fine, " + std::string(5000, 'h')}});
    ::testing::internal::CaptureStderr();
    simoffice::SimDocument& hostile = host.Open(inTemp);
    const std::string saved = host.docs + "/Hostile" + ext;
    host.Save(hostile, saved);
    host.Activate(host.New());
    host.Activate(hostile);
    host.Save(hostile);
    host.Activate(host.New());
    host.Activate(hostile);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(host.Stored(saved), ElementsAreArray({std::string("fine"), std::string(kMaxTagCharacters, 'h'),
                                                      std::string("Hostile")}));
    EXPECT_EQ(Count(err, kLimitedNote), 1u) << err;
    EXPECT_EQ(hostile.Property("Keywords"), "fine, " + std::string(5000, 'h') + ", Hostile");
}

TYPED_TEST(TagLimitsTest, TheBarShowsTheFirstTagButtonsOfAHugeRecordAndRebuildsExactly)
{
    EventHost<TypeParam> host;
    const std::string path = host.File(std::string("Big") + HostTraits<TypeParam>::kExtension);
    const TagList many = Numbered(100000, "t");
    host.Store(path, many);
    simoffice::SimDocument& doc = host.Open(path);
    host.Activate(doc);

    std::vector<std::string> first;
    for (std::size_t i = 0; i < kMaxTagButtons; ++i) first.push_back(many[i] + " 1589");
    EXPECT_EQ(host.TagButtons(), first);
    EXPECT_EQ(host.wrapper.TagButtonCount(), static_cast<int>(kMaxTagButtons) + 1);

    // A refresh removes exactly those buttons: every control left is in its place.
    host.Store(path, {"one", "two"});
    host.wrapper.RefreshTagToolbar(path, true);
    EXPECT_EQ(host.TagButtons(), (std::vector<std::string>{"one 1589", "two 1589"}));
    const auto controls = host.Controls();
    ASSERT_EQ(controls.size(), 6u);
    for (std::size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(controls[i]->Position(), static_cast<int>(i + 1));

    host.Store(path, many);
    host.wrapper.RefreshTagToolbar(path, false);
    EXPECT_EQ(host.TagButtons(), first);
    host.Close(doc);
    EXPECT_EQ(host.TagButtons(), (std::vector<std::string>{}));
}

} // namespace
} // namespace quillmark::test
