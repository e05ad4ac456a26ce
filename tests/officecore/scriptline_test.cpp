#include "officecore/scriptline.h"

#include <gtest/gtest.h>

using quillmark::officecore::SplitScriptLine;

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> words;
    std::string error;
    EXPECT_TRUE(SplitScriptLine(line, words, error)) << line << ": " << error;
    return words;
}

std::string Fails(const std::string& line)
{
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitScriptLine(line, words, error)) << line;
    return error;
}

} // namespace

TEST(ScriptLine, SplitsAsAShellDoes)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("open /tmp/a.doc"), (V{"open", "/tmp/a.doc"}));
    EXPECT_EQ(Split("  \tsave  \r"), (V{"save"}));
    EXPECT_EQ(Split(""), V{});
    EXPECT_EQ(Split("   # only a comment"), V{});
    EXPECT_EQ(Split("keywords # trailing comment"), (V{"keywords"}));
    EXPECT_EQ(Split("echo a#b"), (V{"echo", "a#b"})) << "# inside a word is text";
    EXPECT_EQ(Split("set-keywords 'a, b'"), (V{"set-keywords", "a, b"}));
    EXPECT_EQ(Split("echo 'it''s'"), (V{"echo", "its"}));
    EXPECT_EQ(Split(R"(echo 'back\slash "kept"')"), (V{"echo", R"(back\slash "kept")"}));
    EXPECT_EQ(Split(R"(echo "say \"hi\" \\ \$x \n")"), (V{"echo", R"(say "hi" \ $x \n)"}));
    EXPECT_EQ(Split(R"(open my\ file.doc)"), (V{"open", "my file.doc"}));
    EXPECT_EQ(Split(R"(echo \#not-a-comment)"), (V{"echo", "#not-a-comment"}));
    EXPECT_EQ(Split("set-author ''"), (V{"set-author", ""})) << "an empty quoted word is a word";
    EXPECT_EQ(Split("echo \"\" x"), (V{"echo", "", "x"}));
    EXPECT_EQ(Split("echo pre'mid dle'post"), (V{"echo", "premid dlepost"}));
    EXPECT_EQ(Split("echo Grüße 'ünïcödé'"), (V{"echo", "Grüße", "ünïcödé"}));
}

TEST(ScriptLine, RejectsUnterminatedQuotes)
{
    EXPECT_EQ(Fails("open 'a.doc"), "unterminated single quote");
    EXPECT_EQ(Fails("open \"a.doc"), "unterminated double quote");
    EXPECT_EQ(Fails("open \"a.doc\\\""), "unterminated double quote");
    EXPECT_EQ(Fails("open a.doc\\"), "backslash at the end of the line");
}
