// Case folding of the tag search: Unicode simple case folding on both sides.
#include <gtest/gtest.h>

#include "store/casefold.h"
#include "tests/store/dbfixture.h"

using namespace quillmark;

namespace {

TEST(CaseFold, SimpleFoldingOneCharacterToOne)
{
    EXPECT_EQ(FoldCase("Ünïcödé"), "ünïcödé");
    EXPECT_EQ(FoldCase("ΣΊΣΥΦΟΣ ς"), "σίσυφοσ σ"); // final sigma folds with sigma
    EXPECT_EQ(FoldCase("STRASSE"), "strasse");
    EXPECT_EQ(FoldCase("straße"), "straße");        // no one-to-one folding of ß
    EXPECT_EQ(FoldCase("STRAẞE"), "straße");        // capital sharp s folds to ß
    EXPECT_EQ(FoldCase("\u212A"), "k");             // Kelvin sign
    EXPECT_EQ(FoldCase("\u0130"), "\u0130");        // dotted capital I has only a full folding
    EXPECT_EQ(FoldCase("\u1F88"), "\u1F80");        // its simple folding, not the full "ἀι"
    EXPECT_EQ(FoldCase("ЖУРНАЛ"), "журнал");
    // Bytes that are not UTF-8 pass unchanged, and nothing is lost around them.
    EXPECT_EQ(FoldCase(std::string("A\xff" "B\xc3", 4)), std::string("a\xff" "b\xc3", 4));
    EXPECT_EQ(FoldCase(""), "");
}

class CaseFoldSearch : public test::DatabaseTest {};

TEST_F(CaseFoldSearch, FindDocumentsFoldsEveryLanguageOnBothSides)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/u.doc", {"Ünïcödé"}));
    ASSERT_TRUE(db->SetFileTags("/s.doc", {"straße"}));
    ASSERT_TRUE(db->SetFileTags("/g.doc", {"ΟΔΥΣΣΕΙΑ"}));
    ASSERT_TRUE(db->SetFileTags("/a.doc", {"Budget"}));
    EXPECT_EQ(Paths(db->FindDocuments("ünï", {})), std::vector<std::string>{"/u.doc"});
    EXPECT_EQ(Paths(db->FindDocuments("ÜNÏCÖDÉ", {})), std::vector<std::string>{"/u.doc"});
    EXPECT_EQ(Paths(db->FindDocuments("οδυσσ", {})), std::vector<std::string>{"/g.doc"});
    EXPECT_EQ(Paths(db->FindDocuments("BUD", {})), std::vector<std::string>{"/a.doc"});
    // Simple folding: STRASSE is not straße, STRAẞE is.
    EXPECT_TRUE(db->FindDocuments("STRASSE", {}).empty());
    EXPECT_EQ(Paths(db->FindDocuments("STRAẞE", {})), std::vector<std::string>{"/s.doc"});

    // A second process reads the file into its own index: the same answers.
    auto reader = OpenDb();
    EXPECT_EQ(Paths(reader->FindDocuments("ünï", {})), std::vector<std::string>{"/u.doc"});
    EXPECT_TRUE(reader->FindDocuments("STRASSE", {}).empty());
}

TEST_F(CaseFoldSearch, SeveralTextsAndANameAllMustMatch)
{
    auto db = OpenDb();
    ASSERT_TRUE(db->SetFileTags("/x/Report Q1.doc", {"budget", "Ünïcödé"}));
    ASSERT_TRUE(db->SetFileTags("/x/plan.doc", {"budget", "draft"}));
    ASSERT_TRUE(db->SetFileTags("/x/q1 notes.doc", {"Ünïcödé budget"}));
    EXPECT_EQ(Paths(db->FindDocuments(std::vector<std::string>{"BUDGET", "ünï"}, "", {})),
              (std::vector<std::string>{"/x/Report Q1.doc", "/x/q1 notes.doc"}));
    EXPECT_EQ(Paths(db->FindDocuments(std::vector<std::string>{"budget"}, "Q1", {})),
              (std::vector<std::string>{"/x/Report Q1.doc", "/x/q1 notes.doc"}));
    EXPECT_EQ(Paths(db->FindDocuments(std::vector<std::string>{}, "PLAN", {})),
              std::vector<std::string>{"/x/plan.doc"});
    EXPECT_TRUE(db->FindDocuments(std::vector<std::string>{"budget", "nowhere"}, "", {}).empty());
    // The name is the file's name, not its folder.
    EXPECT_TRUE(db->FindDocuments(std::vector<std::string>{}, "x/", {}).empty());
}

} // namespace
