#include "store/appsettings.h"

#include "platform/registry/registry.h"
#include "platform/registry/regtext.h"
#include "platform/shell/folders.h"
#include "resources/strings.h"

#include <cstdio>

namespace quillmark {

namespace {

using registry::RegKeyNode;
using registry::RegRoot;
using registry::RegStatus;
using registry::RegValue;

constexpr const char* kSettingsKey = "Software\\Norvane\\Quillwright";
// String values are read into a buffer of this many UTF-16 characters, terminator included.
constexpr std::size_t kValueBuffer = 260;

// What a fresh installation holds, so that the database lands in <app data>/quillmark/.
void SeedDefaults(RegKeyNode& key)
{
    key.SetValue("DatabasePath", RegValue::String("quillmark/"));
    key.SetValue("ProductType", RegValue::DWord(0));
    key.SetValue("PPTCreatePreviewAtInsert", RegValue::DWord(0));
    key.SetValue("GlobalDefaultFileNameTag", RegValue::DWord(0));
}

// A string value (REG_SZ or REG_EXPAND_SZ, taken as it is) that fits the buffer.
RegStatus ReadString(const RegKeyNode& key, const char* name, std::string& text)
{
    const RegValue* value = key.FindValue(name);
    if (!value)
        return RegStatus::NotFound;
    if (!value->IsText())
        return RegStatus::WrongType;
    if (registry::Utf16Length(value->text) >= kValueBuffer)
        return RegStatus::InvalidArgument; // too long to be read at all
    text = value->text;
    return RegStatus::Ok;
}

// A DWORD value; anything else leaves `number` as it was.
void ReadDWord(const RegKeyNode& key, const char* name, std::uint32_t& number)
{
    const RegValue* value = key.FindValue(name);
    if (value && value->type == registry::REG_DWORD)
        number = value->dword;
}

} // namespace

bool AppSettings::Load(bool bCreateKey)
{
    m_strLastError.clear();
    registry::Registry reg;
    RegStatus status = reg.Refresh();
    if (status != RegStatus::Ok) {
        m_strLastError = reg.Error();
        std::fprintf(stderr, "quillmark: settings not read: %s\n", m_strLastError.c_str());
        return false;
    }

    const RegKeyNode* key = reg.Model().FindKey(RegRoot::LocalMachine, kSettingsKey);
    registry::RegistryModel defaults; // used only when the defaults cannot be stored
    if (!key && !bCreateKey) {
        // A caller that only reads never writes the registry: run on the defaults.
        SeedDefaults(*defaults.CreateKey(RegRoot::LocalMachine, kSettingsKey));
        key = defaults.FindKey(RegRoot::LocalMachine, kSettingsKey);
    }
    if (!key) {
        status = reg.Update([](registry::RegistryModel& model) {
            bool bCreated = false;
            RegKeyNode* created = model.CreateKey(RegRoot::LocalMachine, kSettingsKey, &bCreated);
            if (created && bCreated)
                SeedDefaults(*created);
            return RegStatus::Ok;
        });
        if (status == RegStatus::Ok) {
            key = reg.Model().FindKey(RegRoot::LocalMachine, kSettingsKey);
        } else if (status == RegStatus::BadFile) {
            m_strLastError = reg.Error();
            std::fprintf(stderr, "quillmark: settings not read: %s\n", m_strLastError.c_str());
            return false;
        } else {
            // The registry holds no settings and cannot take them: run on the defaults.
            std::fprintf(stderr, "quillmark: default settings not stored: %s\n", reg.Error().c_str());
            SeedDefaults(*defaults.CreateKey(RegRoot::LocalMachine, kSettingsKey));
            key = defaults.FindKey(RegRoot::LocalMachine, kSettingsKey);
        }
    }
    if (!key)
        return false;

    // The database folder must be absolute and end with a separator, since the file
    // name is appended to it directly; a value that cannot be read gives no folder.
    std::string text;
    status = ReadString(*key, "DatabasePath", text);
    if (status != RegStatus::Ok && status != RegStatus::NotFound)
        m_strLastError = "the value DatabasePath in " + reg.FilePath() +
                         " is not a string of at most " + std::to_string(kValueBuffer - 1) + " characters";
    else if (shell::GetApplicationDataFolder().empty())
        m_strLastError = "no application-data folder: neither XDG_DATA_HOME nor HOME is set";
    else {
        if (!text.empty() && text.back() != '/' && text.back() != '\\')
            text += '/';
        DatabasePath = GetApplicationDataPath(text);
    }

    ReadDWord(*key, "ProductType", ProductType);
    ProductName = LoadResString(ProductType == 2 ? 133 : 132);

    text.clear();
    status = ReadString(*key, "WebsiteHelpURL", text);
    if (status == RegStatus::Ok || status == RegStatus::NotFound)
        WebsiteHelpURL = text;

    ReadDWord(*key, "PPTCreatePreviewAtInsert", PPTCreatePreviewAtInsert);
    ReadDWord(*key, "GlobalDefaultFileNameTag", GlobalDefaultFileNameTag);
    ReadDWord(*key, "WriteFileSystemTags", WriteFileSystemTags);
    if (!m_strLastError.empty()) {
        std::fprintf(stderr, "quillmark: no database folder: %s\n", m_strLastError.c_str());
        return false;
    }
    return true;
}

bool AppSettings::Save()
{
    m_strLastError.clear();
    registry::Registry reg;
    RegStatus status = reg.Update([this](registry::RegistryModel& model) {
        RegKeyNode* key = model.CreateKey(RegRoot::LocalMachine, kSettingsKey);
        if (!key)
            return RegStatus::InvalidArgument;
        key->SetValue("PPTCreatePreviewAtInsert", RegValue::DWord(PPTCreatePreviewAtInsert));
        key->SetValue("GlobalDefaultFileNameTag", RegValue::DWord(GlobalDefaultFileNameTag));
        return RegStatus::Ok;
    });
    if (status != RegStatus::Ok) {
        m_strLastError = reg.Error();
        return false;
    }
    return true;
}

std::string AppSettings::GetWebsiteURL() const { return LoadResString(ProductType == 2 ? 114 : 135); }

std::string AppSettings::GetApplicationDataPath(const std::string& strRelativePath)
{
    return shell::GetApplicationDataFolder() + "/" + strRelativePath;
}

} // namespace quillmark
