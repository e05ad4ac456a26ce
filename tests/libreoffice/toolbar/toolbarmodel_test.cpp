#include "libreoffice/toolbar/toolbarmodel.h"

#include <gtest/gtest.h>

namespace quillmark::libreoffice {
namespace {

TEST(ToolBarModel, OfficeAcceleratorsBecomeOfficeMnemonics)
{
    EXPECT_EQ(MnemonicLabel("&Tag"), "~Tag");
    EXPECT_EQ(MnemonicLabel("&Options..."), "~Options...");
    EXPECT_EQ(MnemonicLabel("Fish && Chips"), "Fish & Chips");
    EXPECT_EQ(MnemonicLabel("R&&&D"), "R&~D");
    EXPECT_EQ(MnemonicLabel("approx ~5"), "approx ~~5");
    EXPECT_EQ(MnemonicLabel("trailing&"), "trailing");
    EXPECT_EQ(MnemonicLabel("plain"), "plain");
    EXPECT_EQ(MnemonicLabel(""), "");
    EXPECT_EQ(MnemonicLabel("&Größe"), "~Größe");
}

TEST(ToolBarModel, CommandsCarryAnyIdThereAndBack)
{
    for (std::string id : {"7", "bar/3/2", "a b&c?d=e%f", "Größe", "~tilde"}) {
        const std::string click = ClickCommand(id);
        EXPECT_TRUE(click.starts_with("vnd.quillmark:click?id=")) << click;
        // The id cannot end the URL's query early or start another parameter.
        EXPECT_EQ(click.find_first_of(" &=?#", std::string("vnd.quillmark:click?id=").size()), std::string::npos)
            << click;
        auto parsed = ParseCommand(click);
        ASSERT_TRUE(parsed) << click;
        EXPECT_EQ(*parsed, (ForwardedCommand{"click", id, ""}));
        auto menu = ParseCommand(MenuCommand(id));
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->strVerb, "menu");
        EXPECT_EQ(menu->strId, id);
        // A disabled control's command says so after the id, and still leads back to it.
        const std::string disabled = ClickCommand(id, false);
        EXPECT_EQ(disabled, click + "&disabled");
        EXPECT_EQ(ParseCommand(disabled), parsed) << disabled;
        EXPECT_EQ(ParseCommand(MenuCommand(id, false)), menu);
    }
    auto search = ParseCommand(std::string(kSearchCommand));
    ASSERT_TRUE(search);
    EXPECT_EQ(search->strVerb, "search");
}

TEST(ToolBarModel, ForeignOrMalformedCommandsAreRefused)
{
    for (const char* url : {"", ".uno:Save", "vnd.quillmark:", "vnd.quillmark:click", "vnd.quillmark:click?id=",
                            "vnd.quillmark:click?x=1", "vnd.quillmark:drop?id=1", "vnd.quillmark:click?id=%",
                            "vnd.quillmark:click?id=%4", "vnd.quillmark:click?id=%zz", "vnd.quillmark:searchx",
                            "VND.QUILLMARK:click?id=1", "vnd.quillmark:click?id=&disabled",
                            "vnd.quillmark:click?id=1&other", "vnd.quillmark:click?id=1&disabled&disabled"})
        EXPECT_FALSE(ParseCommand(url)) << url;
}

} // namespace
} // namespace quillmark::libreoffice
