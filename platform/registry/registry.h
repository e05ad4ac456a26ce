#pragma once
// The registry: typed values under HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and
// HKEY_CURRENT_USER, kept in one ".reg" text file that several processes share.
//
// Reads see the file as it is now (it is re-read whenever it changed). Every change
// locks the file, re-reads it, applies the change to that fresh content and replaces
// the file atomically (mode 0600), so two processes never drop each other's keys.
// A missing file is an empty registry. A malformed file is an error naming the file
// and line; while it is malformed no change is written, so nothing it holds is lost.
// The file may be UTF-8 or, as the Windows registry editor exports it, UTF-16LE with
// a byte-order mark and CR LF line ends; a change is written back in the form it had.
#include "platform/files/files.h"
#include "platform/registry/regmodel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillmark::registry {

enum class RegStatus {
    Ok,
    NotFound,        // key or value absent
    WrongType,       // the value exists with another type
    InvalidArgument, // a name or text the registry cannot hold
    BadFile,         // the registry file is malformed
    IoError,         // the registry file could not be read, locked or written
};

// $QUILLMARK_REGISTRY, else $XDG_CONFIG_HOME/quillmark/registry.reg (default ~/.config).
std::string RegistryFilePath();

class Registry {
public:
    explicit Registry(std::string strFile = RegistryFilePath());

    const std::string& FilePath() const { return m_strFile; }
    // Text of the last failure, naming the file (and the line for a malformed file).
    const std::string& Error() const { return m_strError; }

    // Brings Model() up to date with the file.
    RegStatus Refresh();
    const RegistryModel& Model() const { return m_model; }

    // Applies `fnChange` to the file's current content and writes the result, all under
    // the file lock. When `fnChange` returns anything but Ok nothing is written and that
    // status is returned. Unchanged content is not rewritten.
    RegStatus Update(const std::function<RegStatus(RegistryModel&)>& fnChange);

    // Conveniences over Refresh / Update.
    bool KeyExists(RegRoot root, const std::string& path);
    RegStatus DeleteKey(RegRoot root, const std::string& path); // with its subtree

private:
    // How the file's text is stored, so that a rewrite keeps it.
    struct FileForm {
        bool bUtf16 = false;
        bool bCrLf = false;
    };
    RegStatus ReadCurrent(RegistryModel& model, std::string& text, files::FileStamp& stamp, FileForm& form);
    static std::string InForm(const std::string& text, FileForm form);
    RegStatus SetError(RegStatus status, std::string strError);

    std::string m_strFile;
    std::string m_strError;
    RegistryModel m_model;
    files::FileStamp m_stamp;
    bool m_bLoaded = false;
};

// An open key, used like a registry key handle: Open or Create, then query and set values.
class RegKey {
public:
    explicit RegKey(std::string strFile = RegistryFilePath()) : m_registry(std::move(strFile)) {}

    // Opens an existing key (NotFound when absent).
    RegStatus Open(RegRoot root, const std::string& path);
    // Opens the key, creating it and its missing parents; *pbCreated tells whether it was new.
    RegStatus Create(RegRoot root, const std::string& path, bool* pbCreated = nullptr);
    bool IsOpen() const { return m_bOpen; }

    // Value names: "" is the key's default value.
    RegStatus QueryValue(const std::string& name, RegValue& value);
    // REG_SZ or REG_EXPAND_SZ, as stored (variables are not expanded).
    RegStatus QueryString(const std::string& name, std::string& text);
    RegStatus QueryDWord(const std::string& name, std::uint32_t& number);

    RegStatus SetValue(const std::string& name, const RegValue& value);
    RegStatus SetString(const std::string& name, const std::string& text);
    RegStatus SetExpandString(const std::string& name, const std::string& text);
    RegStatus SetDWord(const std::string& name, std::uint32_t number);
    RegStatus DeleteValue(const std::string& name);

    // Deletes the subkey `path` (relative to this key) with its whole subtree.
    RegStatus DeleteSubKeyTree(const std::string& path);
    RegStatus EnumSubKeys(std::vector<std::string>& names);
    RegStatus EnumValues(std::vector<std::string>& names);

    const std::string& Error() const { return m_registry.Error(); }
    Registry& GetRegistry() { return m_registry; }

private:
    RegStatus CurrentKey(const RegKeyNode*& pKey);
    RegStatus ChangeKey(const std::function<RegStatus(RegKeyNode&)>& fnChange);
    std::string SubPath(const std::string& path) const;

    Registry m_registry;
    RegRoot m_root = RegRoot::LocalMachine;
    std::string m_strPath;
    bool m_bOpen = false;
};

} // namespace quillmark::registry
