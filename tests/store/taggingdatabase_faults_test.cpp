// The tag database's sound behaviour where a naive one loses or exposes data:
// failed saves, unreadable files, search text as data, verbatim tags, a parser
// that reads only the file.
#include "tests/store/dbfixture.h"

#include <unistd.h>

using namespace quillmark;
using quillmark::test::DatabaseTest;
using quillmark::test::ParsedFile;

namespace {

const TypeList kDocs{"doc"};

TEST_F(DatabaseTest, FailedSaveIsReportedAndNothingSeemsStored)
{
    // A folder that cannot be created.
    m_dir.WriteFile("plain", "x");
    m_settings.DatabasePath = m_dir / "plain" + "/db/";
    auto db = OpenDb();
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"a"}));
    EXPECT_FALSE(db->SetDocumentTags("/a.doc", "a"));
    EXPECT_FALSE(db->RemoveDocument("/a.doc"));
    EXPECT_FALSE(db->Save());
    EXPECT_TRUE(db->GetFileItem("/a.doc").tags.empty());
    EXPECT_TRUE(db->GetAllDocuments(kDocs).empty());

    m_settings.DatabasePath = "/proc/quillmark-no-such-folder/";
    auto proc = OpenDb();
    EXPECT_FALSE(proc->SetFileTags("/a.doc", {"a"}));

    // An existing database whose replacement cannot be written: the temporary
    // file's name is too long for the file system although tags.xml's is not.
    const std::string longPrefix = m_dir / std::string(240, 'n');
    m_settings.DatabasePath = longPrefix;
    {
        auto first = OpenDb();
        const std::string original =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<documents><doc md5=\"" + first->GetMd5Hex("/k.doc") +
            "\" path=\"/k.doc\" type=\"doc\"><tag>kept</tag></doc></documents>\n";
        m_dir.WriteFile(std::string(240, 'n') + "tags.xml", original);
        EXPECT_FALSE(first->SetFileTags("/k.doc", {"changed"}));
        EXPECT_FALSE(first->SetFileTags("/new.doc", {"new"}));
        EXPECT_EQ(first->GetFileItem("/k.doc").tags, TagList{"kept"});
        EXPECT_TRUE(first->GetFileItem("/new.doc").tags.empty());
        EXPECT_EQ(files::ReadFile(longPrefix + "tags.xml").value_or(""), original);
    }
}

TEST_F(DatabaseTest, MissingFolderIsCreatedOnFirstSave)
{
    m_settings.DatabasePath = m_dir / "deep/er/quillmark/";
    auto db = OpenDb();
    EXPECT_FALSE(files::Exists(m_dir / "deep"));
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    EXPECT_TRUE(files::Exists(m_dir / "deep/er/quillmark/tags.xml"));
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, TagList{"a"});
}

TEST_F(DatabaseTest, UnreadableFileIsMovedAsideNotOverwritten)
{
    const std::string broken = "<?xml version=\"1.0\"?>\n<documents><doc md5=\"x\" path=\"/lost.doc\"><tag>one";
    m_dir.WriteFile("tags.xml", broken);
    auto db = OpenDb();
    const std::string aside = db->RecoveredFile();
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(aside.rfind(DbFile() + ".unreadable-", 0), 0u) << aside;
    EXPECT_EQ(aside.size(), DbFile().size() + std::string(".unreadable-20261207-101500").size()) << aside;
    EXPECT_EQ(files::ReadFile(aside).value_or(""), broken);
    EXPECT_FALSE(files::Exists(DbFile()));
    EXPECT_TRUE(db->GetAllTags().empty());

    ASSERT_TRUE(db->SetFileTags("/a.doc", {"fresh"}));
    EXPECT_EQ(files::ReadFile(aside).value_or(""), broken);
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, TagList{"fresh"});
    EXPECT_TRUE(OpenDb()->RecoveredFile().empty());

    // Another unreadable file in the same second gets its own name.
    m_dir.WriteFile("tags.xml", "not xml at all");
    auto again = OpenDb();
    ASSERT_FALSE(again->RecoveredFile().empty());
    EXPECT_NE(again->RecoveredFile(), aside);
    EXPECT_EQ(files::ReadFile(aside).value_or(""), broken);
    EXPECT_EQ(files::ReadFile(again->RecoveredFile()).value_or(""), "not xml at all");

    // Bytes that are not UTF-8 are unreadable too, as is an empty file.
    m_dir.WriteFile("tags.xml", "<?xml version=\"1.0\"?><documents><doc><tag>\xC4pfel</tag></doc></documents>");
    EXPECT_FALSE(OpenDb()->RecoveredFile().empty());
    m_dir.WriteFile("tags.xml", "");
    EXPECT_FALSE(OpenDb()->RecoveredFile().empty());
    EXPECT_EQ(files::ListFiles(m_dir.Path(), "tags.xml.unreadable-*").size(), 4u);
}

TEST_F(DatabaseTest, UnreadableFileThatCannotBeMovedIsNeverOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can always rename";
    m_settings.DatabasePath = m_dir / "locked/";
    ASSERT_TRUE(files::MakeDirectories(m_dir / "locked"));
    const std::string file = m_dir / "locked/tags.xml";
    ASSERT_TRUE(files::AtomicReplace(file, "garbage"));
    ASSERT_EQ(::chmod((m_dir / "locked").c_str(), 0500), 0);
    auto db = OpenDb();
    EXPECT_TRUE(db->RecoveredFile().empty());
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"a"}));
    EXPECT_FALSE(db->Save());
    ::chmod((m_dir / "locked").c_str(), 0700);
    EXPECT_EQ(files::ReadFile(file).value_or(""), "garbage");
    // Once the folder is writable again the file is moved aside and the change saved.
    EXPECT_TRUE(db->SetFileTags("/a.doc", {"a"}));
    EXPECT_EQ(files::ListFiles(m_dir / "locked", "tags.xml.unreadable-*").size(), 1u);

    // A file this user may not read is kept as it is, not moved, not replaced.
    const std::string valid = "<?xml version=\"1.0\"?>\n<documents/>\n";
    ASSERT_TRUE(files::AtomicReplace(file, valid, 0000));
    auto denied = OpenDb();
    EXPECT_TRUE(denied->RecoveredFile().empty());
    EXPECT_FALSE(denied->SetFileTags("/b.doc", {"b"}));
    EXPECT_EQ(files::ListFiles(m_dir / "locked", "tags.xml.unreadable-*").size(), 1u);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(files::ReadFile(file).value_or(""), valid);
    EXPECT_TRUE(denied->SetFileTags("/b.doc", {"b"})); // readable again
    EXPECT_EQ(OpenDb()->GetFileItem("/b.doc").tags, TagList{"b"});
}

TEST_F(DatabaseTest, SearchTextIsDataNotExpression)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"O'Brien"}));
    ASSERT_TRUE(db->SetFileTags("/b.doc", {"quote\"d"}));
    ASSERT_TRUE(db->SetFileTags("/c.doc", {"plain"}));
    EXPECT_EQ(Paths(db->FindDocuments("O'Brien", kDocs)), std::vector<std::string>{"/a.doc"});
    EXPECT_EQ(Paths(db->FindDocuments("o'b", kDocs)), std::vector<std::string>{"/a.doc"});
    EXPECT_EQ(Paths(db->FindDocuments("E\"D", kDocs)), std::vector<std::string>{"/b.doc"});
    // Texts that would rewrite a query built by pasting find nothing.
    for (const char* attack : {"') or ('1'='1", "x')] | //doc[('", "') or true() or ('", "$text", "\"]|//*[\"",
                               "')]"})
        EXPECT_TRUE(db->FindDocuments(attack, kDocs).empty()) << attack;
    // Types are data as well.
    EXPECT_TRUE(db->GetAllDocuments({"x') or ('1'='1"}).empty());
    EXPECT_EQ(db->GetAllDocuments({"doc", "'"}).size(), 3u);

    // A record key given by a caller is data too.
    FileItem item;
    item.md5 = "' or '1'='1";
    item.previewDate = 1128866607;
    EXPECT_FALSE(db->SetPreviewDate(item));
    EXPECT_EQ(db->GetAllDocuments(kDocs).at(0).previewDate, 0);
    // Paths with quotes work in every operation.
    ASSERT_TRUE(db->SetFileTags("/it's \"odd\".doc", {"odd"}));
    EXPECT_EQ(db->GetFileItem("/it's \"odd\".doc").tags, TagList{"odd"});
    EXPECT_TRUE(db->RemoveDocument("/it's \"odd\".doc"));
    EXPECT_TRUE(db->GetFileItem("/it's \"odd\".doc").tags.empty());
}

TEST_F(DatabaseTest, TagsAreStoredVerbatim)
{
    const TagList tags{"R&D", "&amp;", "<b>bold</b>", "\"q\" 'a'", "a]]>b", "&#65;", "&lt;", "x & y;", "tab\tin"};
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/v.doc", tags));
    EXPECT_EQ(db->GetFileItem("/v.doc").tags, tags);
    auto fresh = OpenDb();
    EXPECT_EQ(fresh->GetFileItem("/v.doc").tags, tags);
    EXPECT_EQ(fresh->GetAllDocuments(kDocs).at(0).tags, tags);
    const TagSet all = fresh->GetAllTags();
    for (const std::string& tag : tags)
        EXPECT_EQ(all.count(tag), 1u) << tag;
    EXPECT_EQ(fresh->FindDocuments("r&d", kDocs).size(), 1u);
    EXPECT_EQ(fresh->FindDocuments("&AMP;", kDocs).size(), 1u);
    EXPECT_EQ(fresh->FindDocuments("<B>", kDocs).size(), 1u);
    // Paths with markup characters too.
    ASSERT_TRUE(fresh->SetFileTags("/R&D/<x>.doc", {"p"}));
    EXPECT_EQ(Paths(OpenDb()->FindDocuments("p", kDocs)).back(), "/R&D/<x>.doc");
}

TEST_F(DatabaseTest, TextTheFileCannotHoldIsRefused)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"kept"}));
    const std::string before = FileText();
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"bell\x07"}));
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"ok", "bad\xFF"}));
    EXPECT_FALSE(db->SetDocumentTags("/a.doc", "nul\x01, x"));
    EXPECT_FALSE(db->SetFileTags("/bad\xC3.doc", {"x"}));
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, TagList{"kept"});
    // A line break would show one tag as two wherever tags are listed a line each.
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"line\nbreak"}));
    EXPECT_FALSE(db->SetFileTags("/a.doc", {"cr\rin"}));
    EXPECT_EQ(FileText(), before);
    // Characters beyond the BMP and tabs are fine.
    const TagList fine{"\U0001F600", "tab\tin"};
    ASSERT_TRUE(db->SetFileTags("/a.doc", fine));
    EXPECT_EQ(OpenDb()->GetFileItem("/a.doc").tags, fine);
}

TEST_F(DatabaseTest, ParserReadsOnlyTheFile)
{
    const std::string secret = m_dir.WriteFile("secret.txt", "SECRET-CONTENT");
    TaggingDatabase hasher;
    const std::string key = hasher.GetMd5Hex("/a.doc");
    const std::string record = "<doc md5=\"" + key + "\" path=\"/a.doc\" type=\"doc\"><tag>&x;</tag><tag>ok</tag></doc>";
    const std::string attacks[] = {
        // External entity.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE documents [<!ENTITY x SYSTEM \"file://" + secret +
            "\">]>\n<documents>" + record + "</documents>",
        // External DTD defining the entity.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE documents SYSTEM \"" + m_dir.WriteFile("evil.dtd",
            "<!ENTITY x SYSTEM \"file://" + secret + "\">") + "\">\n<documents>" + record + "</documents>",
        // Network DTD.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE documents SYSTEM \"http://127.0.0.1:9/x.dtd\">\n<documents>" +
            record + "</documents>",
        // Exponential entity expansion.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE documents [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;"
        "&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;"
        "&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
        "<!ENTITY x \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>\n<documents>" + record + "</documents>",
        // Internal entity: harmless in itself, but no declaration is accepted.
        "<?xml version=\"1.0\"?>\n<!DOCTYPE documents [<!ENTITY x \"internal\">]>\n<documents>" + record +
            "</documents>",
    };
    for (const std::string& content : attacks) {
        m_dir.WriteFile("tags.xml", content);
        auto db = OpenDb();
        EXPECT_FALSE(db->RecoveredFile().empty()) << content;
        EXPECT_EQ(files::ReadFile(db->RecoveredFile()).value_or(""), content);
        EXPECT_TRUE(db->GetAllTags().empty());
        for (const FileItem& item : db->GetAllDocuments({}))
            for (const std::string& tag : item.tags)
                EXPECT_EQ(tag.find("SECRET"), std::string::npos);
        // The next change writes a clean file without any declaration.
        ASSERT_TRUE(db->SetFileTags("/b.doc", {"b"}));
        EXPECT_EQ(FileText().find("DOCTYPE"), std::string::npos);
        EXPECT_EQ(FileText().find("SECRET"), std::string::npos);
    }
}

} // namespace
