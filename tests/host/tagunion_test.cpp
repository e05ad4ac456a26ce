// The tag union stored for an opened document is made under the lock from the
// record as it stands then: another program's change since the host read the
// record survives.
#include "host/tagunion.h"
#include "store/taggingdatabase.h"
#include "tests/support/tempdir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillmark::test {
namespace {

using ::testing::ElementsAre;

TEST(TagUnionTest, StoreForOpenedDocumentKeepsAChangeMadeMeanwhile)
{
    TempDir dir;
    TaggingDatabase host, other;
    host.SetDatabaseFile(dir / "tags.xml");
    other.SetDatabaseFile(dir / "tags.xml");
    host.Open();
    other.Open();
    const std::string path = dir / "report.docx";
    ASSERT_TRUE(host.SetFileTags(path, {"stored"}));

    // The host reads the record and works out what the document adds ...
    bool bChanged = false;
    TagUnion::ForOpenedDocument(host.GetFileItem(path).tags, {"budget"}, "report", bChanged);
    ASSERT_TRUE(bChanged);
    // ... another program tags the file meanwhile ...
    ASSERT_TRUE(other.SetFileTags(path, {"stored", "urgent"}));
    // ... and the host's store keeps that tag.
    ASSERT_TRUE(TagUnion::StoreForOpenedDocument(host, path, {"budget"}, "report"));
    EXPECT_THAT(other.GetFileItem(path).tags, ElementsAre("stored", "urgent", "budget", "report"));

    // A document's tag the store refuses leaves the record as it was.
    EXPECT_FALSE(TagUnion::StoreForOpenedDocument(host, path, {"bad\x01"}, "report"));
    EXPECT_THAT(other.GetFileItem(path).tags, ElementsAre("stored", "urgent", "budget", "report"));
}

} // namespace
} // namespace quillmark::test
