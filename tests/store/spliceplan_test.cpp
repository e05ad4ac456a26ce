// The splice of a change into a small file, for every kind of edit at every
// record's place (and every pair of them), checked against the tree writer:
// the plan's pieces over the old bytes give exactly the bytes the tree gives,
// and the index the plan leaves is the one a reader of those bytes finds.
#include "tests/store/dbfixture.h"

#include "store/databasereader.h"
#include "store/fingerprint.h"
#include "store/pendingchange.h"
#include "store/spliceplan.h"
#include "store/treewriter.h"

#include <algorithm>
#include <tuple>

#include <sys/mman.h>
#include <unistd.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;

namespace {

struct Edit {
    enum Kind { Retag, Untag, Remove, Preview, Unpreview, Add } kind = Retag;
    std::size_t position = 0; // the record edited; for Add, which new path
};
const Edit::Kind kKinds[] = {Edit::Retag, Edit::Untag, Edit::Remove, Edit::Preview, Edit::Unpreview, Edit::Add};

FileItem Item(const std::string& path, TagList tags, Time previewDate)
{
    FileItem item;
    item.path = path;
    item.tags = std::move(tags);
    item.writeDate = 1128866607;
    item.accessDate = 1128870000;
    item.previewDate = previewDate;
    return item;
}

// False when the editor refuses the edit (a record edited after its removal).
bool Make(PendingChange& change, const Edit& edit, const std::vector<FileItem>& stored)
{
    const std::string path =
        edit.kind == Edit::Add ? "/d/added" + std::to_string(edit.position) + ".ppt" : stored[edit.position].path;
    switch (edit.kind) {
    case Edit::Retag: return change.Write(Item(path, {"new", "a&b <c>"}, 0));
    case Edit::Untag: return change.Write(Item(path, {}, 0));
    case Edit::Remove: return change.Remove(path);
    case Edit::Preview: return change.SetPreviewDate(GetMd5Hex(path), 1128800007);
    case Edit::Unpreview: return change.SetPreviewDate(GetMd5Hex(path), 0);
    case Edit::Add: return change.Write(Item(path, {"added"}, 0));
    }
    return false;
}

// What a reader needs of each live record, in file order.
using Described = std::tuple<std::uint64_t, std::uint64_t, std::uint32_t, std::string, std::string, bool>;
std::vector<Described> Describe(const TagIndex& index)
{
    std::vector<Described> out;
    for (std::uint32_t i = 0; i < index.Records().size(); ++i) {
        const TagIndex::Record& entry = index.Records()[i];
        if (!entry.live)
            continue;
        const AttrList attrs = index.Attributes(i);
        std::string text;
        for (std::uint8_t a = 0; a < attrs.count; ++a)
            text += std::to_string(attrs.order[a]) + "=" + std::string(attrs.values[attrs.order[a]]) + ";";
        // The record is found by its key.
        const std::string key(index.Value(i, kMd5));
        bool found = false;
        for (std::int32_t r = index.First(key); r >= 0; r = index.NextSameKey(static_cast<std::uint32_t>(r)))
            found = found || r == static_cast<std::int32_t>(i);
        out.emplace_back(entry.begin, entry.end, entry.startTag, text, std::string(index.MarkedTags(i)), found);
    }
    std::sort(out.begin(), out.end());
    return out;
}

class SplicePlanTest : public DatabaseTest {
protected:
    // Reads `bytes` as the database does: knowing the tree's indenting, or not.
    bool Read(const std::string& bytes, bool indentedRoot, TagIndex& index)
    {
        // In memory: thousands of files are read.
        const int fd = ::memfd_create("tags.xml", 0);
        if (fd < 0)
            return false;
        files::FileSystem& fs = files::FileSystem::Current();
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            ::lseek(fd, 0, SEEK_SET) != 0) {
            fs.Close(fd);
            return false;
        }
        std::string error;
        const ReadResult result = ReadDatabase(fs, fd, "tags.xml", index, error, indentedRoot);
        fs.Close(fd);
        return result == ReadResult::Read;
    }
};

TEST_F(SplicePlanTest, EveryEditAtEveryPlaceGivesWhatTheTreeWrites)
{
    int checked = 0;
    for (std::size_t count = 0; count <= 3; ++count) {
        // Each record with tags or none; odd ones with a preview date.
        for (unsigned tagged = 0; tagged < (1u << count); ++tagged) {
            std::vector<FileItem> stored;
            for (std::size_t i = 0; i < count; ++i)
                stored.push_back(Item("/d/r" + std::to_string(i) + ".doc",
                                      (tagged >> i) & 1 ? TagList{"t" + std::to_string(i), "x"} : TagList{},
                                      i % 2 ? 1128000000 : 0));
            auto makeTree = [&] {
                xmlDoc* doc = tree::NewEmpty();
                for (const FileItem& item : stored)
                    EXPECT_TRUE(tree::WriteRecord(doc, GetMd5Hex(item.path), item));
                return doc;
            };
            std::string old;
            xmlDoc* made = makeTree();
            ASSERT_TRUE(tree::Serialize(made, old));
            xmlFreeDoc(made);

            std::vector<std::vector<Edit>> changes;
            std::vector<Edit> singles;
            for (const Edit::Kind kind : kKinds)
                for (std::size_t position = 0; position < std::max<std::size_t>(count, 1); ++position)
                    if (kind == Edit::Add || position < count)
                        singles.push_back({kind, position});
            for (const Edit& first : singles) {
                changes.push_back({first});
                for (const Edit& second : singles)
                    changes.push_back({first, second});
            }

            // Indented: the file as the writing process knows it. As read: the
            // same bytes to a fresh reader, whose root holds the indenting as text.
            const std::string oldFile = m_dir.WriteFile("old.xml", old);
            for (const bool indented : {true, false}) {
                TagIndex index;
                ASSERT_TRUE(Read(old, indented, index));
                ASSERT_TRUE(index.m_bCanonical) << old;
                for (const std::vector<Edit>& edits : changes) {
                    PendingChange change(index, files::FileSystem::Current());
                    bool taken = true;
                    for (const Edit& edit : edits)
                        taken = taken && Make(change, edit, stored);
                    if (!taken)
                        continue;
                    SCOPED_TRACE(old);
                    SCOPED_TRACE("indented " + std::to_string(indented) + ", first edit " +
                                 std::to_string(edits[0].kind) + " at " + std::to_string(edits[0].position) +
                                 ", edits " + std::to_string(edits.size()));

                    std::string error;
                    xmlDoc* doc = indented ? makeTree() : tree::Read(files::FileSystem::Current(), oldFile, error);
                    ASSERT_NE(doc, nullptr) << error;
                    ASSERT_TRUE(change.ReplayOn(doc));
                    std::string expected;
                    ASSERT_TRUE(tree::Serialize(doc, expected));
                    const bool rootHoldsText = tree::RootHoldsText(doc);
                    xmlFreeDoc(doc);

                    SplicePlan plan;
                    PlanSplice(index, change, plan);
                    std::string spliced;
                    for (const WritePiece& piece : plan.write.pieces)
                        spliced += piece.literal ? *piece.literal : old.substr(piece.offset, piece.length);
                    ASSERT_EQ(spliced, expected);
                    ASSERT_EQ(plan.write.size, expected.size());

                    // The index the plan leaves is what a reader of the new bytes finds.
                    TagIndex after = index;
                    ApplySplice(plan, after);
                    TagIndex fresh;
                    ASSERT_TRUE(Read(expected, indented && !rootHoldsText, fresh));
                    EXPECT_EQ(Describe(after), Describe(fresh));
                    EXPECT_EQ(after.m_fileSize, fresh.m_fileSize);
                    EXPECT_EQ(after.LiveCount(), fresh.LiveCount());
                    if (fresh.LiveCount() > 0) {
                        EXPECT_EQ(after.m_rootClose, fresh.m_rootClose);
                    }
                    ++checked;
                }
            }
        }
    }
    // Every kind of edit was taken somewhere: the loops above are not empty.
    EXPECT_GT(checked, 1000);
}

} // namespace
