#pragma once
// The add-in's persistent settings, kept in the registry key
// HKEY_LOCAL_MACHINE\Software\Norvane\Quillwright.
#include <cstdint>
#include <string>

namespace quillmark {

class AppSettings {
public:
    // Absolute database folder, ending with a separator ("<app data>/" + registry value).
    std::string DatabasePath;
    std::string ProductName;
    std::string WebsiteHelpURL;
    std::uint32_t PPTCreatePreviewAtInsert = 0;
    std::uint32_t GlobalDefaultFileNameTag = 0;
    std::uint32_t ProductType = 0;
    // Nonzero: a file's tags are also written to its file-system tags (user.xdg.tags).
    std::uint32_t WriteFileSystemTags = 1;

    // Reads every value; creates the key with the product's defaults when it is absent
    // (with bCreateKey false the defaults are used without writing the registry).
    // Returns false, with LastError set, when the registry could not be read (the fields
    // keep what they held) or it gives no database folder (DatabasePath keeps what it held).
    bool Load(bool bCreateKey = true);
    // Writes back the two preferences only. Returns false when the registry could not be written.
    bool Save();
    std::string GetWebsiteURL() const;
    // Application-data folder + "/" + relative path.
    static std::string GetApplicationDataPath(const std::string& strRelativePath);
    // Why the last Load or Save failed (names the registry file, and the line when it is malformed).
    const std::string& LastError() const { return m_strLastError; }

private:
    std::string m_strLastError;
};

} // namespace quillmark
