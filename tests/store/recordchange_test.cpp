// Changes that depend on what is stored: made under the lock from the freshest
// file, one record or many at once, and never losing another writer's change.
#include "tests/store/dbfixture.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;

namespace {

const TypeList kDocs{"doc"};

TagList Plus(TagList tags, const std::string& tag)
{
    tags.push_back(tag);
    return tags;
}

TEST_F(DatabaseTest, UpdateFileTagsStartsFromWhatAnotherWriterSaved)
{
    auto first = OpenDb();
    auto second = OpenDb();
    ASSERT_TRUE(first->SetFileTags("/a.doc", {"one"}));
    // `second` read the database before `first` wrote: its change still sees "one".
    ASSERT_TRUE(second->UpdateFileTags("/a.doc", [](const TagList& now) { return Plus(now, "two"); }));
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, (TagList{"one", "two"}));
    // A change that changes nothing writes nothing.
    const auto before = files::GetFileStamp(DbFile());
    ASSERT_TRUE(first->UpdateFileTags("/a.doc", [](const TagList& now) { return now; }));
    EXPECT_EQ(files::GetFileStamp(DbFile()), before);
    // The function is given no tags for a path without a record, and may store none.
    TagList seen{"sentinel"};
    ASSERT_TRUE(first->UpdateFileTags("/new.doc", [&](const TagList& now) {
        seen = now;
        return TagList{};
    }));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Paths(OpenDb()->GetAllDocuments(kDocs)), (std::vector<std::string>{"/a.doc", "/new.doc"}));
    // A tag that cannot be stored fails the change and leaves the file as it was.
    const std::string text = FileText();
    EXPECT_FALSE(first->UpdateFileTags("/a.doc", [](const TagList& now) { return Plus(now, "bad\nline"); }));
    EXPECT_EQ(FileText(), text);
    EXPECT_EQ(first->GetFileItem("/a.doc").tags, (TagList{"one", "two"}));
}

TEST_F(DatabaseTest, BatchChangeSeesItsOwnEditsAndSavesOnce)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"keep", "old"}));
    ASSERT_TRUE(db->SetFileTags("/b.doc", {"old"}));
    ASSERT_TRUE(db->SetFileTags("/c.doc", {"c"}));
    const auto before = files::GetFileStamp(DbFile());

    // Giving up writes nothing, whatever was edited.
    EXPECT_FALSE(db->Change([](RecordEditor& records) {
        records.Remove("/a.doc");
        return false;
    }));
    EXPECT_EQ(files::GetFileStamp(DbFile()), before);
    EXPECT_EQ(db->GetFileItem("/a.doc").tags, (TagList{"keep", "old"}));

    // Rename a tag in every record while walking them, and edit one record twice.
    std::vector<std::string> visited;
    ASSERT_TRUE(db->Change([&](RecordEditor& records) {
        records.ForEach([&](const FileItem& item) {
            visited.push_back(item.path);
            TagList renamed = item.tags;
            std::replace(renamed.begin(), renamed.end(), std::string("old"), std::string("new"));
            if (renamed != item.tags) {
                EXPECT_TRUE(records.SetTags(item.path, renamed));
            }
        });
        EXPECT_EQ(records.Tags("/a.doc"), (TagList{"keep", "new"}));
        EXPECT_TRUE(records.SetTags("/a.doc", Plus(records.Tags("/a.doc"), "more")));
        EXPECT_TRUE(records.Remove("/c.doc"));
        EXPECT_FALSE(records.Contains("/c.doc"));
        EXPECT_FALSE(records.Remove("/c.doc"));
        EXPECT_TRUE(records.SetTags("/d.doc", {"d"}));
        EXPECT_FALSE(records.SetPreviewDate("not-a-key", 1128866607));
        EXPECT_TRUE(records.SetPreviewDate(db->GetMd5Hex("/d.doc"), 1128866607));
        return true;
    }));
    EXPECT_EQ(visited, (std::vector<std::string>{"/a.doc", "/b.doc", "/c.doc"}));
    const auto fresh = OpenDb();
    for (auto* reader : {db.get(), fresh.get()}) {
        EXPECT_EQ(Paths(reader->GetAllDocuments(kDocs)), (std::vector<std::string>{"/b.doc", "/a.doc", "/d.doc"}));
        EXPECT_EQ(reader->GetFileItem("/a.doc").tags, (TagList{"keep", "new", "more"}));
        EXPECT_EQ(reader->GetFileItem("/b.doc").tags, TagList{"new"});
        EXPECT_EQ(reader->GetAllDocuments(kDocs).back().previewDate, 1128866607);
    }
    // A refused record leaves the others of the same change to the caller: it may go on.
    ASSERT_TRUE(db->Change([](RecordEditor& records) {
        EXPECT_FALSE(records.SetTags("/e.doc", {"bad\x01"}));
        return records.SetTags("/f.doc", {"f"});
    }));
    EXPECT_FALSE(OpenDb()->GetFileItem("/f.doc").tags.empty());
    EXPECT_TRUE(OpenDb()->GetFileItem("/e.doc").tags.empty());
}

TEST_F(DatabaseTest, ProcessesAddingTagsToOneRecordLoseNone)
{
    constexpr int kProcesses = 4;
    constexpr int kTagsEach = 15;
    ASSERT_TRUE(OpenDb()->SetFileTags("/shared.doc", {"start"}));
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TaggingDatabase db;
            db.m_pSettings = &m_settings;
            db.SetLockWait(60000);
            db.Open();
            bool ok = true;
            for (int i = 0; i < kTagsEach; ++i) {
                const std::string tag = "p" + std::to_string(p) + "-" + std::to_string(i);
                ok &= db.UpdateFileTags("/shared.doc", [&](const TagList& now) { return Plus(now, tag); });
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const TagList tags = OpenDb()->GetFileItem("/shared.doc").tags;
    EXPECT_EQ(tags.size(), 1u + kProcesses * kTagsEach);
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kTagsEach; ++i)
            EXPECT_NE(std::find(tags.begin(), tags.end(), "p" + std::to_string(p) + "-" + std::to_string(i)),
                      tags.end());
}

} // namespace
