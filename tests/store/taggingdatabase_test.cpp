// The tag database's operations and its file format.
#include "tests/store/dbfixture.h"

#include "store/datetext.h"

#include <sys/stat.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;
using quillmark::test::ParsedFile;

namespace {

const TypeList kDocs{"doc"};
const TypeList kPresentations{"ppt", "jpg", "bmp", "gif"};

TEST_F(DatabaseTest, MissingFileStartsEmptyAndWritesNothingUntilAChange)
{
    auto db = OpenDb();
    EXPECT_EQ(db->DatabaseFile(), m_dir.Path() + "/tags.xml");
    EXPECT_TRUE(db->GetAllTags().empty());
    EXPECT_TRUE(db->GetAllDocuments(kDocs).empty());
    EXPECT_TRUE(db->GetFileItem("/x.doc").tags.empty());
    EXPECT_TRUE(db->RecoveredFile().empty());
    EXPECT_FALSE(files::Exists(DbFile()));

    EXPECT_TRUE(db->SetDocumentTags(MakeFile("a.doc"), "one"));
    EXPECT_TRUE(files::Exists(DbFile()));
}

TEST_F(DatabaseTest, StoredRecordHasTheFileFormat)
{
    const std::string path = MakeFile("Budget.doc");
    const auto times = files::GetFileTimes(path);
    ASSERT_TRUE(times);
    auto db = OpenDb();
    ASSERT_TRUE(db->SetDocumentTags(path, " budget ,  Finance 2005,budget,, "));

    const std::string text = FileText();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n  <doc "), std::string::npos) << "indented output expected:\n" << text;
    EXPECT_EQ(text.find("<!DOCTYPE"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(DbFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ParsedFile file(DbFile());
    ASSERT_TRUE(file.Ok());
    EXPECT_STREQ(reinterpret_cast<const char*>(file.Root()->name), "documents");
    const auto records = file.Records();
    ASSERT_EQ(records.size(), 1u);
    xmlNode* doc = records[0];
    EXPECT_STREQ(reinterpret_cast<const char*>(doc->name), "doc");
    std::vector<std::string> expected{"md5", "path", "writedate"};
    if (times->createTime != 0) {
        expected.push_back("createdate");
    }
    expected.insert(expected.end(), {"accessdate", "type"});
    EXPECT_EQ(ParsedFile::AttributeNames(doc), expected);
    EXPECT_EQ(ParsedFile::Attribute(doc, "md5"), db->GetMd5Hex(path));
    EXPECT_EQ(ParsedFile::Attribute(doc, "path"), path);
    EXPECT_EQ(ParsedFile::Attribute(doc, "writedate"), "2005-10-09 14:03:27");
    EXPECT_EQ(ParsedFile::Attribute(doc, "accessdate"), "2005-10-09 15:00:00");
    if (times->createTime != 0) {
        EXPECT_EQ(ParsedFile::Attribute(doc, "createdate"), FormatDate(times->createTime));
    }
    EXPECT_EQ(ParsedFile::Attribute(doc, "type"), "doc");
    EXPECT_EQ(ParsedFile::ChildTexts(doc), (std::vector<std::string>{"budget", "Finance 2005", "budget"}));
    for (xmlNode* c = doc->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) {
            EXPECT_STREQ(reinterpret_cast<const char*>(c->name), "tag");
        }
    }
}

TEST_F(DatabaseTest, DatesAreWrittenInLocalTimeWithDaylightSaving)
{
    test::ScopedTz berlin(test::kBerlin);
    const std::string summer = MakeFile("summer.doc", 1120212000); // 2005-07-01 10:00:00 UTC
    const std::string winter = MakeFile("winter.doc", 1104577200); // 2005-01-01 11:00:00 UTC
    auto db = OpenDb();
    ASSERT_TRUE(db->SetDocumentTags(summer, "s"));
    ASSERT_TRUE(db->SetDocumentTags(winter, "w"));
    ParsedFile file(DbFile());
    ASSERT_EQ(file.Records().size(), 2u);
    EXPECT_EQ(ParsedFile::Attribute(file.Records()[0], "writedate"), "2005-07-01 12:00:00");
    EXPECT_EQ(ParsedFile::Attribute(file.Records()[1], "writedate"), "2005-01-01 12:00:00");
    EXPECT_EQ(OpenDb()->GetFileItem(summer).writeDate, 1120212000);
    EXPECT_EQ(OpenDb()->GetFileItem(winter).writeDate, 1104577200);
}

TEST_F(DatabaseTest, EmptyTextStoresNothingButBlanksAndCommasStoreAnEmptyRecord)
{
    const std::string path = MakeFile("a.doc");
    auto db = OpenDb();
    ASSERT_TRUE(db->SetDocumentTags(path, "keep, these"));
    EXPECT_FALSE(db->SetDocumentTags(path, ""));
    EXPECT_EQ(db->GetFileItem(path).tags, (TagList{"keep", "these"}));

    ASSERT_TRUE(db->SetDocumentTags(path, " , ,"));
    EXPECT_TRUE(db->GetFileItem(path).tags.empty());
    ParsedFile file(DbFile());
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_TRUE(ParsedFile::ChildTexts(file.Records()[0]).empty());
    EXPECT_EQ(ParsedFile::Attribute(file.Records()[0], "writedate"), "2005-10-09 14:03:27");
}

TEST_F(DatabaseTest, RewrittenRecordGoesLastAndStaysSingle)
{
    const std::string a = MakeFile("a.doc"), b = MakeFile("b.doc"), c = MakeFile("c.doc");
    auto db = OpenDb();
    ASSERT_TRUE(db->SetDocumentTags(a, "1"));
    ASSERT_TRUE(db->SetDocumentTags(b, "2"));
    ASSERT_TRUE(db->SetDocumentTags(c, "3"));
    ASSERT_TRUE(db->SetDocumentTags(a, "1b"));
    EXPECT_EQ(Paths(db->GetAllDocuments(kDocs)), (std::vector<std::string>{b, c, a}));
    EXPECT_EQ(Paths(OpenDb()->GetAllDocuments(kDocs)), (std::vector<std::string>{b, c, a}));
    EXPECT_EQ(db->GetFileItem(a).tags, TagList{"1b"});
    ParsedFile file(DbFile());
    EXPECT_EQ(file.Records().size(), 3u);
}

TEST_F(DatabaseTest, GetFileItemGivesStoredTagsAndWriteDateOnly)
{
    const std::string path = MakeFile("a.doc");
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags(path, {"x", "Y", "x"}));
    const FileItem item = db->GetFileItem(path);
    EXPECT_EQ(item.tags, (TagList{"x", "Y", "x"}));
    EXPECT_EQ(item.writeDate, 1128866607);
    EXPECT_TRUE(item.path.empty());
    EXPECT_TRUE(item.name.empty());
    EXPECT_TRUE(item.md5.empty());
    EXPECT_EQ(item.accessDate, 0);
    EXPECT_EQ(item.createDate, 0);
    EXPECT_EQ(item.previewDate, 0);

    const FileItem unknown = db->GetFileItem(m_dir / "other.doc");
    EXPECT_TRUE(unknown.tags.empty());
    EXPECT_EQ(unknown.writeDate, 0);
}

TEST_F(DatabaseTest, MissingFileIsStoredWithoutDates)
{
    auto db = OpenDb();
    const std::string path = "C:\\Reports\\Budget.doc";
    ASSERT_TRUE(db->SetDocumentTags(path, "budget, Finance 2005"));
    ParsedFile file(DbFile());
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_EQ(ParsedFile::AttributeNames(file.Records()[0]), (std::vector<std::string>{"md5", "path", "type"}));
    EXPECT_EQ(ParsedFile::Attribute(file.Records()[0], "md5"), "82b9f6748c5288d68a06634fff169fe6");
    EXPECT_EQ(db->GetFileItem(path).writeDate, 0);
}

TEST_F(DatabaseTest, WriteFileItemStoresEveryDateAndIgnoresTheItemsMd5)
{
    FileItem item;
    item.path = "/docs/report.ppt";
    item.md5 = "not the key";
    item.previewDate = 1128866000;
    item.writeDate = 1128866607;
    item.createDate = 1128000000;
    item.accessDate = 1128870000;
    item.tags = {"t"};
    auto db = OpenDb();
    ASSERT_TRUE(db->WriteFileItem(item));
    ParsedFile file(DbFile());
    xmlNode* record = file.Records().at(0);
    EXPECT_EQ(ParsedFile::AttributeNames(record),
              (std::vector<std::string>{"md5", "path", "thumbwritedate", "writedate", "createdate", "accessdate",
                                        "type"}));
    EXPECT_EQ(ParsedFile::Attribute(record, "md5"), db->GetMd5Hex(item.path));
    EXPECT_EQ(ParsedFile::Attribute(record, "createdate"), "2005-09-29 13:20:00");
    const ResultList found = db->GetAllDocuments({"ppt"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].previewDate, 1128866000);
    EXPECT_EQ(found[0].name, "report.ppt");
    EXPECT_EQ(found[0].md5, db->GetMd5Hex(item.path));
}

TEST_F(DatabaseTest, TypeComesFromTheLastDot)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("C:\\my.files\\Report", {"a"}));
    ASSERT_TRUE(db->SetFileTags("C:\\A\\B.DOC", {"b"}));
    ASSERT_TRUE(db->SetFileTags("C:\\noextension", {"c"}));
    ASSERT_TRUE(db->SetFileTags("/home/u/archive.tar.gz", {"d"}));
    ParsedFile file(DbFile());
    const auto records = file.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(ParsedFile::Attribute(records[0], "type"), "files\\Report");
    EXPECT_EQ(ParsedFile::Attribute(records[1], "type"), "DOC");
    EXPECT_EQ(ParsedFile::Attribute(records[2], "type"), ""); // present, empty
    EXPECT_EQ(ParsedFile::Attribute(records[3], "type"), "gz");
    // The type filter is case-sensitive.
    EXPECT_TRUE(db->GetAllDocuments(kDocs).empty());
    EXPECT_EQ(db->GetAllDocuments({"DOC"}).size(), 1u);
}

TEST_F(DatabaseTest, AllTagsAreDistinctInUtf16Order)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"budget", "Budget", "zeta"}));
    ASSERT_TRUE(db->SetFileTags("/b.doc", {"budget", "\U0001F600", "\uFFFD", "Äpfel"}));
    const TagSet tags = db->GetAllTags();
    EXPECT_EQ(std::vector<std::string>(tags.begin(), tags.end()),
              (std::vector<std::string>{"Budget", "budget", "zeta", "Äpfel", "\U0001F600", "\uFFFD"}));
}

TEST_F(DatabaseTest, FindDocumentsMatchesTypeAndTextAsGiven)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("C:\\a\\one.doc", {"budget"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\two.doc", {"Budgets", "x"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\three.doc", {"Report"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\four.doc", {"Äpfel"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\five.docx", {"budget"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\six.ppt", {"budget"}));
    ASSERT_TRUE(db->SetFileTags("C:\\a\\seven.jpg", {"holiday"}));

    EXPECT_EQ(Paths(db->FindDocuments("BUD", kDocs)),
              (std::vector<std::string>{"C:\\a\\one.doc", "C:\\a\\two.doc", "C:\\a\\five.docx"}));
    EXPECT_EQ(Paths(db->FindDocuments("port", kDocs)), std::vector<std::string>{"C:\\a\\three.doc"});
    EXPECT_EQ(db->FindDocuments("ÄPFEL", kDocs).size(), 1u);
    EXPECT_EQ(db->FindDocuments("Äpfel", kDocs).size(), 1u);
    EXPECT_EQ(db->FindDocuments("äpfel", kDocs).size(), 1u); // letters of every language fold
    EXPECT_TRUE(db->FindDocuments("nothing", kDocs).empty());
    // Each tag is matched on its own: "Budgets" and "x" do not make "Budgetsx".
    EXPECT_TRUE(db->FindDocuments("tsX", kDocs).empty());
    EXPECT_EQ(Paths(db->FindDocuments("budget", kPresentations)), std::vector<std::string>{"C:\\a\\six.ppt"});
    EXPECT_EQ(Paths(db->GetAllDocuments(kPresentations)),
              (std::vector<std::string>{"C:\\a\\six.ppt", "C:\\a\\seven.jpg"}));
    // No type given: every record.
    EXPECT_EQ(db->GetAllDocuments({}).size(), 7u);
    EXPECT_EQ(db->FindDocuments("budget", {}).size(), 4u);

    const ResultList items = db->FindDocuments("report", kDocs);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].name, "three.doc");
    EXPECT_EQ(items[0].md5, db->GetMd5Hex("C:\\a\\three.doc"));
    EXPECT_EQ(items[0].tags, TagList{"Report"});
    EXPECT_EQ(items[0].writeDate, 0); // FindDocuments fills only its own fields
}

TEST_F(DatabaseTest, NamesTakeEitherSeparator)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/home/u/docs/plan.doc", {"a"}));
    ASSERT_TRUE(db->SetFileTags("\\\\server\\share\\memo.doc", {"b"}));
    ASSERT_TRUE(db->SetFileTags("nofolder.doc", {"c"}));
    const ResultList items = db->GetAllDocuments(kDocs);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].name, "plan.doc");
    EXPECT_EQ(items[1].name, "memo.doc");
    EXPECT_EQ(items[2].name, "nofolder.doc");
}

TEST_F(DatabaseTest, PreviewDateIsRefreshedLastAndDroppedByRetagging)
{
    auto db = OpenDb();
    const std::string path = "C:\\p\\deck.ppt";
    ASSERT_TRUE(db->SetFileTags(path, {"deck"}));
    FileItem item = db->GetAllDocuments({"ppt"}).at(0);
    item.previewDate = 1128866607;
    EXPECT_TRUE(db->SetPreviewDate(item));
    ParsedFile first(DbFile());
    EXPECT_EQ(ParsedFile::AttributeNames(first.Records().at(0)),
              (std::vector<std::string>{"md5", "path", "type", "thumbwritedate"}));
    EXPECT_EQ(OpenDb()->GetAllDocuments({"ppt"}).at(0).previewDate, 1128866607);

    item.previewDate = 1128866700; // refreshed again: still last, one attribute
    EXPECT_TRUE(db->SetPreviewDate(item));
    ParsedFile second(DbFile());
    EXPECT_EQ(ParsedFile::AttributeNames(second.Records().at(0)),
              (std::vector<std::string>{"md5", "path", "type", "thumbwritedate"}));
    EXPECT_EQ(ParsedFile::Attribute(second.Records().at(0), "thumbwritedate"), "2005-10-09 14:05:00");

    // The stored key is used as given, not recomputed from the path.
    FileItem stranger = item;
    stranger.md5 = db->GetMd5Hex("elsewhere");
    const files::FileStamp before = files::GetFileStamp(DbFile());
    EXPECT_FALSE(db->SetPreviewDate(stranger));
    EXPECT_EQ(files::GetFileStamp(DbFile()), before);
    FileItem samePathOtherKey = item;
    samePathOtherKey.path = "C:\\other.ppt";
    EXPECT_TRUE(db->SetPreviewDate(samePathOtherKey));

    ASSERT_TRUE(db->SetFileTags(path, {"deck", "again"}));
    EXPECT_EQ(db->GetAllDocuments({"ppt"}).at(0).previewDate, 0);
    ParsedFile third(DbFile());
    EXPECT_EQ(ParsedFile::Attribute(third.Records().at(0), "thumbwritedate"), "<absent>");
}

TEST_F(DatabaseTest, RemoveDocumentRemovesAndAlwaysWrites)
{
    auto db = OpenDb();
    EXPECT_TRUE(db->RemoveDocument("/never/stored.doc"));
    EXPECT_TRUE(files::Exists(DbFile())); // written although nothing was removed
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    ASSERT_TRUE(db->SetFileTags("/b.doc", {"b"}));
    EXPECT_TRUE(db->RemoveDocument("/a.doc"));
    EXPECT_EQ(Paths(db->GetAllDocuments(kDocs)), std::vector<std::string>{"/b.doc"});
    EXPECT_EQ(Paths(OpenDb()->GetAllDocuments(kDocs)), std::vector<std::string>{"/b.doc"});
    EXPECT_TRUE(db->GetFileItem("/a.doc").tags.empty());
}

TEST_F(DatabaseTest, HandEditedFileIsReadAsItStands)
{
    TaggingDatabase hasher;
    const std::string key = hasher.GetMd5Hex("/twice.doc");
    m_dir.WriteFile("tags.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<documents>\n"
                    "  <comment keep=\"yes\">hand-written</comment>\n"
                    "  <doc md5=\"" + key + "\" path=\"/twice.doc\" writedate=\"2005-10-09 24:00:00\" type=\"doc\">\n"
                    "    <tag>first</tag>\n"
                    "    <tag>alpha</tag>\n"
                    "  </doc>\n"
                    "  <group><doc md5=\"" + key + "\" path=\"/twice.doc\" type=\"doc\" extra=\"1\">"
                    "<tag>second</tag><note>noted</note><tag/><tag><b>bold</b></tag>"
                    "<tag>R&amp;D</tag><tag>&amp;amp;</tag><tag><![CDATA[<cdata>]]></tag></doc></group>\n"
                    "</documents>\n");
    auto db = OpenDb();
    EXPECT_TRUE(db->RecoveredFile().empty());
    // Records at any depth; both records with the key give their tags.
    const FileItem item = db->GetFileItem("/twice.doc");
    EXPECT_EQ(item.tags, (TagList{"first", "alpha", "second", "R&D", "&amp;", "<cdata>"}));
    EXPECT_EQ(item.writeDate, 1128902400); // 2005-10-10 00:00:00: hour 24 carried
    // Every element child with text first counts as a tag in listings, and the
    // search matches each of them on its own.
    const ResultList all = db->GetAllDocuments(kDocs);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].tags, (TagList{"second", "noted", "R&D", "&amp;", "<cdata>"}));
    EXPECT_EQ(db->FindDocuments("first\n    <tag>", kDocs).size(), 0u);
    EXPECT_EQ(db->FindDocuments("FIRST\n    ALPHA", kDocs).size(), 0u);
    EXPECT_EQ(db->FindDocuments("firstalpha", kDocs).size(), 0u);
    EXPECT_EQ(db->FindDocuments("r&d", kDocs).size(), 1u);
    EXPECT_EQ(db->FindDocuments("NOTED", kDocs).size(), 1u);
    EXPECT_EQ(db->FindDocuments("bold", kDocs).size(), 0u); // no tag of its own
    const TagSet tags = db->GetAllTags();
    EXPECT_EQ(tags.count("noted"), 0u); // not a tag element
    EXPECT_EQ(tags.count("&amp;"), 1u);

    // Rewriting acts on the first record only and appends to the root.
    ASSERT_TRUE(db->SetFileTags("/twice.doc", {"new"}));
    EXPECT_EQ(db->GetFileItem("/twice.doc").tags,
              (TagList{"second", "R&D", "&amp;", "<cdata>", "new"}));
    const std::string text = FileText();
    EXPECT_NE(text.find("<documents>"), std::string::npos);
    EXPECT_NE(text.find("<comment keep=\"yes\">hand-written</comment>"), std::string::npos);
    EXPECT_NE(text.find("extra=\"1\""), std::string::npos);
    ParsedFile file(DbFile());
    EXPECT_EQ(ParsedFile::Attribute(file.Records().back(), "path"), "/twice.doc");
    ASSERT_TRUE(db->RemoveDocument("/twice.doc"));
    EXPECT_EQ(db->GetFileItem("/twice.doc").tags, TagList{"new"});
}

} // namespace
