// Many record changes under one lock, written in one save.
#include <gtest/gtest.h>

#include "platform/files/filesystem.h"
#include "store/filesystemtags.h"
#include "store/recordbatch.h"
#include "tests/store/dbfixture.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/noattributefilesystem.h"

#include <sys/xattr.h>

using namespace quillmark;

namespace {

class RecordBatchTest : public test::DatabaseTest, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<TaggingDatabase> Db(files::FileSystem* pFs = nullptr)
    {
        auto db = OpenDb(true, pFs);
        db->SetTreeWriter(GetParam());
        return db;
    }
    static std::vector<std::string> Paths(const ResultList& items)
    {
        std::vector<std::string> paths;
        for (const FileItem& item : items)
            paths.push_back(item.path);
        return paths;
    }
};

INSTANTIATE_TEST_SUITE_P(BothWriters, RecordBatchTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "tree" : "pieces"; });

TEST_P(RecordBatchTest, ReplaceRemoveAndAddInOneSaveKeepingPlaces)
{
    test::FaultyFileSystem counter;
    auto db = Db(&counter);
    db->SetUseIndex(false); // its renames are not counted here
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    ASSERT_TRUE(db->SetFileTags("/b.doc", {"b"}));
    ASSERT_TRUE(db->SetFileTags("/c.doc", {"c"}));
    FileItem dated;
    dated.path = "/d.ppt";
    dated.previewDate = 1128866607;
    ASSERT_TRUE(db->WriteFileItem(dated));

    counter.Reset();
    {
        ASSERT_TRUE(db->ChangeRecords([](RecordBatch& batch) {
            ASSERT_EQ(Paths(batch.Records()), (std::vector<std::string>{"/a.doc", "/b.doc", "/c.doc", "/d.ppt"}));
            EXPECT_EQ(batch.Records()[3].previewDate, 1128866607);
            EXPECT_EQ(batch.Records()[1].name, "b.doc");
            FileItem b = batch.Records()[1];
            b.tags = {"b", "more"};
            EXPECT_TRUE(batch.Replace(1, b));
            FileItem moved = batch.Records()[2];
            moved.path = "/moved/c2.doc";
            EXPECT_TRUE(batch.Replace(2, moved));
            batch.Remove(0);
            FileItem fresh;
            fresh.path = "/e.odt";
            fresh.tags = {"e"};
            EXPECT_TRUE(batch.Add(fresh));
        }));
    }
    EXPECT_EQ(counter.Calls(test::IoCall::Rename), 1); // one atomic replacement

    // Seen by this object and by another that reads the file.
    for (TaggingDatabase* reader : {db.get(), OpenDb().release()}) {
        const ResultList all = reader->GetAllDocuments({});
        EXPECT_EQ(Paths(all), (std::vector<std::string>{"/b.doc", "/moved/c2.doc", "/d.ppt", "/e.odt"}));
        EXPECT_EQ(reader->GetFileItem("/b.doc").tags, (TagList{"b", "more"}));
        EXPECT_EQ(reader->GetFileItem("/moved/c2.doc").tags, TagList{"c"});
        EXPECT_TRUE(reader->GetFileItem("/c.doc").tags.empty());
        EXPECT_FALSE(reader->HasRecord("/a.doc"));
        EXPECT_EQ(all[2].previewDate, 1128866607); // untouched records keep everything
        if (reader != db.get())
            delete reader;
    }
    EXPECT_EQ(FileText().find("<doc md5=\"" + db->GetMd5Hex("/moved/c2.doc") + "\" path=\"/moved/c2.doc\""),
              FileText().find("<doc md5=\"" + db->GetMd5Hex("/moved/c2.doc")));
}

TEST_P(RecordBatchTest, AddsWriteWhatSeparateChangesWrite)
{
    // The same records stored one by one and in one batch give the same bytes.
    const std::vector<std::pair<std::string, TagList>> items = {
        {"/x/1.doc", {"a", "R&D", "<b>"}}, {"/x/2.doc", {}}, {"/x/1.doc", {"again"}}, {"/x/3.ppt", {"Ünï"}}};
    auto one = Db();
    for (const auto& [path, tags] : items) {
        FileItem item;
        item.path = path;
        item.tags = tags;
        ASSERT_TRUE(one->WriteFileItem(item));
    }
    const std::string separate = FileText();
    ASSERT_TRUE(files::RemoveFile(DbFile()));
    auto two = Db();
    ASSERT_TRUE(two->ChangeRecords([&](RecordBatch& batch) {
        for (const auto& [path, tags] : items) {
            FileItem item;
            item.path = path;
            item.tags = tags;
            EXPECT_TRUE(batch.Add(item));
        }
    }));
    EXPECT_EQ(FileText(), separate);
}

TEST_P(RecordBatchTest, NothingChangedOrDiscardedWritesNothingAndBadTextIsRefused)
{
    auto db = Db();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    const files::FileStamp before = files::GetFileStamp(DbFile());
    ASSERT_TRUE(db->ChangeRecords([](RecordBatch&) {}));
    ASSERT_TRUE(db->ChangeRecords([](RecordBatch& batch) {
        batch.Remove(0);
        batch.Discard();
    }));
    ASSERT_TRUE(db->ChangeRecords([](RecordBatch& batch) {
        FileItem bad = batch.Records()[0];
        bad.tags = {"line\nbreak"};
        EXPECT_FALSE(batch.Replace(0, bad));
        bad.tags = {"ok"};
        bad.path = std::string("/bad\x01.doc");
        EXPECT_FALSE(batch.Add(bad));
        EXPECT_FALSE(batch.Changed());
    }));
    EXPECT_EQ(files::GetFileStamp(DbFile()), before);
    EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"a"});
}

TEST_P(RecordBatchTest, ABatchStartsFromWhatAnotherProcessWrote)
{
    auto mine = Db();
    ASSERT_TRUE(mine->SetFileTags("/a.doc", {"a"}));
    auto theirs = OpenDb();
    ASSERT_TRUE(theirs->SetFileTags("/b.doc", {"b"}));
    ASSERT_TRUE(mine->ChangeRecords([](RecordBatch& batch) {
        ASSERT_EQ(batch.Records().size(), 2u);
        for (std::size_t i = 0; i < batch.Records().size(); ++i) {
            FileItem item = batch.Records()[i];
            item.tags.push_back("both");
            batch.Replace(i, item);
        }
    }));
    EXPECT_EQ(theirs->GetFileItem("/b.doc").tags, (TagList{"b", "both"}));
    EXPECT_EQ(theirs->GetFileItem("/a.doc").tags, (TagList{"a", "both"}));
}

TEST_P(RecordBatchTest, AFailedSaveLeavesTheFileAndReportsIt)
{
    test::FaultyFileSystem fs;
    auto db = Db(&fs);
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    const std::string original = FileText();
    fs.FailNth(test::IoCall::Rename, 1, ENOSPC);
    EXPECT_FALSE(db->ChangeRecords([](RecordBatch& batch) { batch.Remove(0); }));
    EXPECT_TRUE(fs.Failed());
    EXPECT_EQ(FileText(), original);
    EXPECT_EQ(db->GetFileItem("/a.doc").tags, TagList{"a"}); // nothing unsaved is shown as stored
}

class FileSystemTagsTest : public test::DatabaseTest {};

TEST_F(FileSystemTagsTest, StoringTagsWritesThemUnlessSwitchedOffOrUnsupported)
{
    const std::string file = MakeFile("report.doc");
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags(file, {"Budget", "R&D", "Budget", "Ünï"}));
    if (::getxattr(file.c_str(), fstags::kAttribute, nullptr, 0) < 0 && errno == ENOTSUP)
        GTEST_SKIP() << "this file system keeps no user attributes";
    EXPECT_EQ(files::GetAttribute(file, fstags::kAttribute).value_or("<none>"), "Budget,R&D,Ünï");
    EXPECT_EQ(fstags::Read(file), (TagList{"Budget", "R&D", "Ünï"}));

    // A blanks-and-commas text stores no tag: the attribute goes.
    ASSERT_TRUE(db->SetDocumentTags(file, " , "));
    EXPECT_FALSE(files::GetAttribute(file, fstags::kAttribute));

    // Switched off by the setting: the attribute is left as it was.
    ASSERT_TRUE(db->SetFileTags(file, {"kept"}));
    m_settings.WriteFileSystemTags = 0;
    ASSERT_TRUE(db->SetFileTags(file, {"changed"}));
    EXPECT_EQ(files::GetAttribute(file, fstags::kAttribute).value_or("<none>"), "kept");
    EXPECT_EQ(db->GetFileItem(file).tags, TagList{"changed"});

    // Without settings the database's own switch decides.
    m_settings.WriteFileSystemTags = 1;
    TaggingDatabase bare;
    bare.SetDatabaseFile(DbFile());
    bare.Open();
    bare.SetWritesFileSystemTags(false);
    ASSERT_TRUE(bare.SetFileTags(file, {"bare"}));
    EXPECT_EQ(files::GetAttribute(file, fstags::kAttribute).value_or("<none>"), "kept");
}

TEST_F(FileSystemTagsTest, AFileSystemWithoutUserAttributesChangesNothingElse)
{
    const std::string file = MakeFile("report.doc");
    test::NoAttributeFileSystem fs;
    auto db = OpenDb(true, &fs);
    EXPECT_TRUE(db->SetFileTags(file, {"a", "b"}));
    EXPECT_TRUE(db->SetDocumentTags(file, "c, d"));
    EXPECT_FALSE(fstags::Write(fs, file, {"x"}));
    EXPECT_TRUE(fstags::Read(file).empty()); // nothing reached the file
    EXPECT_GE(fs.refused, 3); // the writes were tried, and refused quietly
    EXPECT_EQ(db->GetFileItem(file).tags, (TagList{"c", "d"}));
    EXPECT_EQ(OpenDb()->GetFileItem(file).tags, (TagList{"c", "d"}));
    // A missing file is no failure either.
    EXPECT_TRUE(db->SetFileTags(m_dir / "gone.doc", {"g"}));
}

TEST_F(FileSystemTagsTest, ReadingTakesOnlySoundText)
{
    const std::string file = MakeFile("notes.odt");
    if (!files::SetAttribute(file, fstags::kAttribute, std::string(" a ,, b ,a")))
        GTEST_SKIP() << "this file system keeps no user attributes";
    EXPECT_EQ(fstags::Read(file), (TagList{"a", "b", "a"}));
    ASSERT_TRUE(files::SetAttribute(file, fstags::kAttribute, std::string("ok,\xff\xfe")));
    EXPECT_TRUE(fstags::Read(file).empty()); // not text: nothing taken from it
    // Larger than any tag list we would write (where the file system takes it at all).
    if (files::SetAttribute(file, fstags::kAttribute, std::string(70000, 'x'))) {
        EXPECT_TRUE(fstags::Read(file).empty());
    }
}

} // namespace
