#include "resources/strings.h"

#include <gtest/gtest.h>

#include <cstdio>

using quillmark::LoadResString;

TEST(StringTable, TextsAreKeptExactlyAsTheProductShowsThem)
{
    // Spelling, punctuation and quotes are part of what users see and what code matches.
    EXPECT_EQ(LoadResString(103), "Multiple tags should be seperated by commas.");
    EXPECT_EQ(LoadResString(104), "Search tags");
    EXPECT_EQ(LoadResString(105), "tags.xml");
    EXPECT_EQ(LoadResString(107), "&");
    EXPECT_EQ(LoadResString(124) + "work" + LoadResString(125), "Show all documents with \"work\" tag");
    EXPECT_EQ(LoadResString(129) + "a.doc" + LoadResString(130),
              "The file\"a.doc\" could not be used because the original file\n"
              "could not be found. Would you like to locate it?");
    EXPECT_EQ(LoadResString(132), "Quillmark");
    EXPECT_EQ(LoadResString(133), "Pallister");
    EXPECT_EQ(LoadResString(134), "Corvenna");
    EXPECT_EQ(LoadResString(350), "2005100925");
    EXPECT_EQ(LoadResString(122).substr(LoadResString(122).size() - 9), "BuildId: ");
    EXPECT_NE(LoadResString(122).find('\n'), std::string::npos);

    // Formats take the arguments their users pass.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, LoadResString(112).c_str(), 3, 12);
    EXPECT_STREQ(buffer, "3 of 12 Slides");
    std::snprintf(buffer, sizeof buffer, LoadResString(115).c_str(), 4);
    EXPECT_STREQ(buffer, "Slide4.jpg");

    // Web site addresses are distinct, well-formed https addresses.
    for (int id : {114, 135}) {
        const std::string& url = LoadResString(id);
        EXPECT_EQ(url.rfind("https://", 0), 0u) << id;
        EXPECT_EQ(url.back(), '/') << id;
        EXPECT_EQ(url.find(' '), std::string::npos) << id;
    }
    EXPECT_NE(LoadResString(114), LoadResString(135));

    // String 100 exists only in translated tables; unknown numbers are empty.
    EXPECT_EQ(LoadResString(100), "");
    EXPECT_EQ(LoadResString(126), "");
    EXPECT_EQ(LoadResString(-1), "");
    EXPECT_EQ(&LoadResString(132), &LoadResString(132)); // a stable reference
}

TEST(Strings, FormattedStringsTakeAnyValueLiterally)
{
    using quillmark::FormatResString;
    EXPECT_EQ(FormatResString(154, "/a/b.docx"), "The file \"/a/b.docx\" could not be found.");
    // A value longer than any fixed buffer, and one holding printf directives, come out whole.
    const std::string longPath = "/" + std::string(10000, 'x') + ".docx";
    EXPECT_EQ(FormatResString(154, longPath), "The file \"" + longPath + "\" could not be found.");
    EXPECT_EQ(FormatResString(155, "%s%n%d"), "%s%n%d bytes");
    EXPECT_EQ(FormatResString(156, "ignored"), "not known") << "a string without %s is itself";
    EXPECT_EQ(FormatResString(-1, "x"), "");
}
