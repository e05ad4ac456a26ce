#include "store/appsettings.h"

#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "resources/strings.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace quillmark;
using registry::RegKey;
using registry::RegRoot;
using registry::RegStatus;
using registry::RegValue;

using quillmark::test::ScopedEnv;

namespace {

constexpr const char* kKey = "Software\\Norvane\\Quillwright";

// Every test gets its own registry file, data folder and home.
class AppSettingsTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    std::string m_strRegistry = m_dir / "config/registry.reg";
    std::string m_strData = m_dir / "data";
    ScopedEnv m_envRegistry{"QUILLMARK_REGISTRY", m_strRegistry};
    ScopedEnv m_envData{"XDG_DATA_HOME", m_strData};
    ScopedEnv m_envHome{"HOME", m_dir / "home"};

    void Put(const std::string& name, const RegValue& value)
    {
        RegKey key(m_strRegistry);
        ASSERT_EQ(key.Create(RegRoot::LocalMachine, kKey), RegStatus::Ok) << key.Error();
        ASSERT_EQ(key.SetValue(name, value), RegStatus::Ok) << key.Error();
    }
    std::optional<RegValue> Get(const std::string& name)
    {
        RegKey key(m_strRegistry);
        RegValue value;
        if (key.Open(RegRoot::LocalMachine, kKey) != RegStatus::Ok || key.QueryValue(name, value) != RegStatus::Ok)
            return std::nullopt;
        return value;
    }
    static AppSettings Marked()
    {
        AppSettings settings;
        settings.DatabasePath = "unchanged/";
        settings.WebsiteHelpURL = "unchanged.html";
        settings.ProductType = 7;
        settings.PPTCreatePreviewAtInsert = 7;
        settings.GlobalDefaultFileNameTag = 7;
        return settings;
    }
};

} // namespace

TEST_F(AppSettingsTest, FreshRegistryGetsTheProductDefaults)
{
    AppSettings settings = Marked();
    ASSERT_TRUE(settings.Load()) << settings.LastError();
    EXPECT_EQ(settings.DatabasePath, m_strData + "/quillmark/");
    EXPECT_EQ(settings.DatabasePath + LoadResString(105), m_strData + "/quillmark/tags.xml");
    EXPECT_EQ(settings.ProductType, 0u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 0u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 0u);
    EXPECT_EQ(settings.ProductName, "Quillmark");
    EXPECT_EQ(settings.WebsiteHelpURL, "");
    EXPECT_EQ(settings.GetWebsiteURL(), LoadResString(135));

    // The defaults are in the registry now, in its file syntax.
    EXPECT_EQ(Get("DatabasePath"), RegValue::String("quillmark/"));
    EXPECT_EQ(Get("ProductType"), RegValue::DWord(0));
    EXPECT_EQ(Get("PPTCreatePreviewAtInsert"), RegValue::DWord(0));
    EXPECT_EQ(Get("GlobalDefaultFileNameTag"), RegValue::DWord(0));
    EXPECT_EQ(Get("WebsiteHelpURL"), std::nullopt);
    std::string text = files::ReadFile(m_strRegistry).value_or("");
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n\"DatabasePath\"=\"quillmark/\"\n"),
              std::string::npos)
        << text;

    // A key that exists is never seeded again: what is there is read.
    Put("ProductType", RegValue::DWord(2));
    AppSettings again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.ProductType, 2u);

    // Without XDG_DATA_HOME the database lands under ~/.local/share.
    ScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    AppSettings home;
    ASSERT_TRUE(home.Load());
    EXPECT_EQ(home.DatabasePath + "tags.xml", m_dir / "home/.local/share/quillmark/tags.xml");
}

TEST_F(AppSettingsTest, AnEmptyExistingKeyIsReadAsItIs)
{
    RegKey key(m_strRegistry);
    ASSERT_EQ(key.Create(RegRoot::LocalMachine, kKey), RegStatus::Ok);
    AppSettings settings = Marked();
    ASSERT_TRUE(settings.Load());
    // Absent strings read as empty; absent DWORDs leave their fields.
    EXPECT_EQ(settings.DatabasePath, m_strData + "/");
    EXPECT_EQ(settings.WebsiteHelpURL, "");
    EXPECT_EQ(settings.ProductType, 7u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 7u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 7u);
    EXPECT_EQ(settings.ProductName, "Quillmark");
    EXPECT_EQ(Get("DatabasePath"), std::nullopt);
}

TEST_F(AppSettingsTest, StringsLongerThan259CharactersAreNotRead)
{
    const std::string fits(259, 'a');
    const std::string tooLong(260, 'b');
    Put("DatabasePath", RegValue::String(fits));
    Put("WebsiteHelpURL", RegValue::String(fits));
    AppSettings settings = Marked();
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.DatabasePath, m_strData + "/" + fits + "/");
    EXPECT_EQ(settings.WebsiteHelpURL, fits);

    Put("DatabasePath", RegValue::String(tooLong));
    Put("WebsiteHelpURL", RegValue::ExpandString(tooLong));
    settings = Marked();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load()); // no database folder can be given
    ::testing::internal::GetCapturedStderr();
    EXPECT_NE(settings.LastError().find("DatabasePath"), std::string::npos) << settings.LastError();
    EXPECT_EQ(settings.DatabasePath, "unchanged/");
    EXPECT_EQ(settings.WebsiteHelpURL, "unchanged.html");

    // Characters count as UTF-16 code units: a character outside the BMP takes two.
    std::string wide;
    for (int i = 0; i < 129; ++i)
        wide += "\xF0\x9F\x98\x80"; // U+1F600, 258 units in all
    Put("DatabasePath", RegValue::String(fits));
    Put("WebsiteHelpURL", RegValue::String(wide + "x"));
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.WebsiteHelpURL, wide + "x");
    Put("WebsiteHelpURL", RegValue::String(wide + "xy"));
    settings.WebsiteHelpURL = "kept";
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.WebsiteHelpURL, "kept");
    std::string accented(259, 'e');
    accented.replace(0, 1, "\xC3\xA9"); // 259 characters, 260 bytes
    Put("WebsiteHelpURL", RegValue::String(accented));
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.WebsiteHelpURL, accented);
}

TEST_F(AppSettingsTest, ValuesOfAnotherTypeAreIgnored)
{
    Put("DatabasePath", RegValue::DWord(5));
    Put("WebsiteHelpURL", RegValue::DWord(6));
    Put("ProductType", RegValue::String("2"));
    Put("PPTCreatePreviewAtInsert", RegValue::ExpandString("1"));
    Put("GlobalDefaultFileNameTag", RegValue::String("1"));
    AppSettings settings = Marked();
    settings.ProductType = 2;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load()); // a DatabasePath that is no string gives no database folder
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("DatabasePath"), std::string::npos) << err;
    EXPECT_EQ(settings.DatabasePath, "unchanged/");
    EXPECT_EQ(settings.WebsiteHelpURL, "unchanged.html");
    EXPECT_EQ(settings.ProductType, 2u);
    EXPECT_EQ(settings.ProductName, "Pallister"); // set from the field as it stands
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 7u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 7u);

    // Expandable strings are taken as they are, variables not expanded.
    Put("DatabasePath", RegValue::ExpandString("%APPDATA%\\Tags/"));
    Put("WebsiteHelpURL", RegValue::ExpandString("help/%LANG%.html"));
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.DatabasePath, m_strData + "/%APPDATA%\\Tags/");
    EXPECT_EQ(settings.WebsiteHelpURL, "help/%LANG%.html");
}

TEST_F(AppSettingsTest, ProductTypeChoosesNameAndWebsite)
{
    EXPECT_NE(LoadResString(114), LoadResString(135));
    for (std::uint32_t type : {0u, 1u, 2u, 3u}) {
        Put("ProductType", RegValue::DWord(type));
        AppSettings settings;
        ASSERT_TRUE(settings.Load());
        EXPECT_EQ(settings.ProductType, type);
        EXPECT_EQ(settings.ProductName, type == 2 ? "Pallister" : "Quillmark") << type;
        EXPECT_EQ(settings.GetWebsiteURL(), LoadResString(type == 2 ? 114 : 135)) << type;
        EXPECT_EQ(settings.GetWebsiteURL().rfind("https://", 0), 0u);
    }
}

TEST_F(AppSettingsTest, DatabasePathIsAppendedAfterOneSeparator)
{
    Put("DatabasePath", RegValue::String("MyTags"));
    AppSettings settings;
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.DatabasePath, m_strData + "/MyTags/");
    // The file name is appended directly, so a missing separator is added.
    EXPECT_EQ(settings.DatabasePath + LoadResString(105), m_strData + "/MyTags/tags.xml");
    Put("DatabasePath", RegValue::String("C:\\Tags\\"));
    ASSERT_TRUE(settings.Load());
    EXPECT_EQ(settings.DatabasePath, m_strData + "/C:\\Tags\\");
    EXPECT_EQ(AppSettings::GetApplicationDataPath("a/b/"), m_strData + "/a/b/");
    EXPECT_EQ(AppSettings::GetApplicationDataPath(""), m_strData + "/");
}

TEST_F(AppSettingsTest, ReadingOnlyNeverWritesTheRegistry)
{
    AppSettings settings = Marked();
    ASSERT_TRUE(settings.Load(false)) << settings.LastError();
    EXPECT_EQ(settings.DatabasePath, m_strData + "/quillmark/");
    EXPECT_EQ(settings.ProductType, 0u);
    EXPECT_FALSE(files::Exists(m_strRegistry));
    EXPECT_FALSE(files::Exists(m_strRegistry + ".lock"));
    EXPECT_FALSE(files::Exists(m_dir / "config"));
}

TEST_F(AppSettingsTest, SaveWritesOnlyTheTwoPreferences)
{
    // Save on a registry without the key creates it with just the two values.
    AppSettings settings = Marked();
    settings.PPTCreatePreviewAtInsert = 1;
    settings.GlobalDefaultFileNameTag = 0;
    ASSERT_TRUE(settings.Save()) << settings.LastError();
    EXPECT_EQ(Get("PPTCreatePreviewAtInsert"), RegValue::DWord(1));
    EXPECT_EQ(Get("GlobalDefaultFileNameTag"), RegValue::DWord(0));
    EXPECT_EQ(Get("ProductType"), std::nullopt);
    EXPECT_EQ(Get("DatabasePath"), std::nullopt);
    EXPECT_EQ(Get("WebsiteHelpURL"), std::nullopt);

    Put("DatabasePath", RegValue::String("Stored/"));
    Put("ProductType", RegValue::DWord(2));
    Put("Other", RegValue::String("left alone"));
    AppSettings loaded;
    ASSERT_TRUE(loaded.Load());
    loaded.DatabasePath = "/elsewhere/";
    loaded.ProductType = 0;
    loaded.WebsiteHelpURL = "changed";
    loaded.PPTCreatePreviewAtInsert = 0;
    loaded.GlobalDefaultFileNameTag = 1;
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(Get("PPTCreatePreviewAtInsert"), RegValue::DWord(0));
    EXPECT_EQ(Get("GlobalDefaultFileNameTag"), RegValue::DWord(1));
    EXPECT_EQ(Get("DatabasePath"), RegValue::String("Stored/"));
    EXPECT_EQ(Get("ProductType"), RegValue::DWord(2));
    EXPECT_EQ(Get("WebsiteHelpURL"), std::nullopt);
    EXPECT_EQ(Get("Other"), RegValue::String("left alone"));
}

TEST_F(AppSettingsTest, MalformedRegistryKeepsFieldsAndFile)
{
    const std::string content = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n"
                                "\"ProductType\"=dword:00000002\n"
                                "\"DatabasePath\"=\"unterminated\n";
    ASSERT_TRUE(files::MakeDirectories(m_dir / "config"));
    ASSERT_TRUE(files::AtomicReplace(m_strRegistry, content));

    AppSettings settings = Marked();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.Load());
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(m_strRegistry + ": line 5"), std::string::npos) << err;
    EXPECT_EQ(err.find(m_strRegistry), err.rfind(m_strRegistry)) << "reported more than once: " << err;
    EXPECT_NE(settings.LastError().find("line 5"), std::string::npos);
    EXPECT_EQ(settings.DatabasePath, "unchanged/");
    EXPECT_EQ(settings.WebsiteHelpURL, "unchanged.html");
    EXPECT_EQ(settings.ProductType, 7u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 7u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 7u);

    settings.PPTCreatePreviewAtInsert = 1;
    EXPECT_FALSE(settings.Save());
    EXPECT_NE(settings.LastError().find("line 5"), std::string::npos);
    EXPECT_EQ(files::ReadFile(m_strRegistry).value_or(""), content);
}

TEST_F(AppSettingsTest, UnwritableRegistryStillGivesTheDefaultFolder)
{
    // Reading finds no file (an empty registry) but nothing can be stored there.
    ScopedEnv unwritable("QUILLMARK_REGISTRY", std::string("/proc/quillmark-no-such-folder/registry.reg"));
    AppSettings settings = Marked();
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(settings.Load());
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/proc/quillmark-no-such-folder/registry.reg"), std::string::npos) << err;
    EXPECT_EQ(settings.DatabasePath, m_strData + "/quillmark/");
    EXPECT_EQ(settings.ProductType, 0u);
    EXPECT_EQ(settings.PPTCreatePreviewAtInsert, 0u);
    EXPECT_EQ(settings.GlobalDefaultFileNameTag, 0u);
    EXPECT_FALSE(settings.Save());
    EXPECT_FALSE(settings.LastError().empty());
}
