#include "platform/registry/registry.h"

#include "platform/registry/regfile.h"
#include "platform/registry/regtext.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/shell/folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace quillmark::registry {

namespace {

bool IsStorableText(const std::string& text)
{
    return IsValidUtf8(text) && text.find('\0') == std::string::npos;
}

constexpr std::string_view kUtf16Bom = "\xFF\xFE";

} // namespace

// `text` (UTF-8, LF line ends) in the form the file had.
std::string Registry::InForm(const std::string& text, FileForm form)
{
    std::string out;
    if (form.bCrLf) {
        out.reserve(text.size() + text.size() / 16);
        for (char c : text) {
            if (c == '\n')
                out += '\r';
            out += c;
        }
    } else {
        out = text;
    }
    if (!form.bUtf16)
        return out;
    std::string bytes(kUtf16Bom);
    std::string wide;
    Utf8ToUtf16Le(out, wide);
    return bytes + wide;
}

std::string RegistryFilePath()
{
    if (const char* file = std::getenv("QUILLMARK_REGISTRY"); file && *file)
        return file;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        config = xdg;
    else
        config = shell::GetHomeFolder() + "/.config";
    while (config.size() > 1 && config.back() == '/')
        config.pop_back();
    return config + "/quillmark/registry.reg";
}

Registry::Registry(std::string strFile) : m_strFile(std::move(strFile)) {}

RegStatus Registry::SetError(RegStatus status, std::string strError)
{
    m_strError = std::move(strError);
    return status;
}

RegStatus Registry::ReadCurrent(RegistryModel& model, std::string& text, files::FileStamp& stamp, FileForm& form)
{
    model = RegistryModel();
    text.clear();
    form = FileForm();
    stamp = files::GetFileStamp(m_strFile);
    struct stat st {};
    if (::stat(m_strFile.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return RegStatus::Ok; // no file yet: an empty registry
        return SetError(RegStatus::IoError, m_strFile + ": " + std::strerror(errno));
    }
    std::string error;
    auto content = files::ReadFile(m_strFile, &error);
    if (!content)
        return SetError(RegStatus::IoError, m_strFile + ": " + error);
    text = std::move(*content);
    if (text.starts_with(kUtf16Bom)) {
        std::string utf8;
        const std::string_view bytes = std::string_view(text).substr(kUtf16Bom.size());
        if (!Utf16LeToUtf8(bytes, utf8) || Utf16Length(utf8) * 2 != bytes.size())
            return SetError(RegStatus::BadFile, m_strFile + ": the text is not valid UTF-16LE");
        text = std::move(utf8);
        form.bUtf16 = true;
    }
    form.bCrLf = text.find("\r\n") != std::string::npos;
    RegParseError parseError;
    if (!ParseRegFile(text, model, parseError)) {
        model = RegistryModel();
        return SetError(RegStatus::BadFile, m_strFile + ": line " + std::to_string(parseError.line) +
                                                ": " + parseError.message);
    }
    return RegStatus::Ok;
}

RegStatus Registry::Refresh()
{
    files::FileStamp stamp = files::GetFileStamp(m_strFile);
    if (m_bLoaded && stamp.exists && stamp == m_stamp)
        return RegStatus::Ok;
    m_bLoaded = false;
    RegistryModel model;
    std::string text;
    FileForm form;
    RegStatus status = ReadCurrent(model, text, stamp, form);
    if (status != RegStatus::Ok)
        return status;
    m_model = std::move(model);
    m_stamp = stamp;
    m_bLoaded = stamp.exists;
    return RegStatus::Ok;
}

RegStatus Registry::Update(const std::function<RegStatus(RegistryModel&)>& fnChange)
{
    std::string error;
    std::string folder = files::FolderOf(m_strFile);
    if (!folder.empty() && !files::MakeDirectories(folder, &error))
        return SetError(RegStatus::IoError, m_strFile + ": " + error);
    files::FileLock lock(m_strFile);
    if (!lock.Locked())
        return SetError(RegStatus::IoError, m_strFile + ": cannot lock: " + lock.Error());

    RegistryModel model;
    std::string text;
    files::FileStamp stamp;
    FileForm form;
    RegStatus status = ReadCurrent(model, text, stamp, form);
    if (status != RegStatus::Ok)
        return status; // a malformed or unreadable file is never overwritten
    const std::string before = FormatRegFile(model);
    status = fnChange(model);
    if (status != RegStatus::Ok)
        return status;
    std::string after = FormatRegFile(model);
    // Content that did not change is left as it is (a missing file stays missing).
    if (after != before && !files::AtomicReplace(m_strFile, InForm(after, form), 0600, &error))
        return SetError(RegStatus::IoError, m_strFile + ": " + error);
    m_model = std::move(model);
    m_stamp = files::GetFileStamp(m_strFile);
    m_bLoaded = m_stamp.exists;
    return RegStatus::Ok;
}

bool Registry::KeyExists(RegRoot root, const std::string& path)
{
    return Refresh() == RegStatus::Ok && m_model.FindKey(root, path) != nullptr;
}

RegStatus Registry::DeleteKey(RegRoot root, const std::string& path)
{
    std::vector<std::string> names;
    if (!SplitKeyPath(path, names) || names.empty())
        return SetError(RegStatus::InvalidArgument, "invalid key path \"" + path + "\"");
    return Update([&](RegistryModel& model) {
        if (!model.DeleteKey(root, path))
            return SetError(RegStatus::NotFound, "no key \"" + path + "\"");
        return RegStatus::Ok;
    });
}

// RegKey

std::string RegKey::SubPath(const std::string& path) const
{
    return m_strPath.empty() ? path : m_strPath + "\\" + path;
}

RegStatus RegKey::Open(RegRoot root, const std::string& path)
{
    m_bOpen = false;
    std::vector<std::string> names;
    if (!SplitKeyPath(path, names))
        return RegStatus::InvalidArgument;
    RegStatus status = m_registry.Refresh();
    if (status != RegStatus::Ok)
        return status;
    if (!m_registry.Model().FindKey(root, path))
        return RegStatus::NotFound;
    m_root = root;
    m_strPath = path;
    m_bOpen = true;
    return RegStatus::Ok;
}

RegStatus RegKey::Create(RegRoot root, const std::string& path, bool* pbCreated)
{
    m_bOpen = false;
    if (pbCreated)
        *pbCreated = false;
    bool bCreated = false;
    RegStatus status = m_registry.Update([&](RegistryModel& model) {
        return model.CreateKey(root, path, &bCreated) ? RegStatus::Ok : RegStatus::InvalidArgument;
    });
    if (status != RegStatus::Ok)
        return status;
    if (pbCreated)
        *pbCreated = bCreated;
    m_root = root;
    m_strPath = path;
    m_bOpen = true;
    return RegStatus::Ok;
}

RegStatus RegKey::CurrentKey(const RegKeyNode*& pKey)
{
    pKey = nullptr;
    if (!m_bOpen)
        return RegStatus::InvalidArgument;
    RegStatus status = m_registry.Refresh();
    if (status != RegStatus::Ok)
        return status;
    pKey = m_registry.Model().FindKey(m_root, m_strPath);
    return pKey ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus RegKey::ChangeKey(const std::function<RegStatus(RegKeyNode&)>& fnChange)
{
    if (!m_bOpen)
        return RegStatus::InvalidArgument;
    return m_registry.Update([&](RegistryModel& model) {
        RegKeyNode* key = model.FindKey(m_root, m_strPath);
        return key ? fnChange(*key) : RegStatus::NotFound;
    });
}

RegStatus RegKey::QueryValue(const std::string& name, RegValue& value)
{
    const RegKeyNode* key;
    RegStatus status = CurrentKey(key);
    if (status != RegStatus::Ok)
        return status;
    const RegValue* found = key->FindValue(name);
    if (!found)
        return RegStatus::NotFound;
    value = *found;
    return RegStatus::Ok;
}

RegStatus RegKey::QueryString(const std::string& name, std::string& text)
{
    RegValue value;
    RegStatus status = QueryValue(name, value);
    if (status != RegStatus::Ok)
        return status;
    if (!value.IsText())
        return RegStatus::WrongType;
    text = std::move(value.text);
    return RegStatus::Ok;
}

RegStatus RegKey::QueryDWord(const std::string& name, std::uint32_t& number)
{
    RegValue value;
    RegStatus status = QueryValue(name, value);
    if (status != RegStatus::Ok)
        return status;
    if (value.type != REG_DWORD)
        return RegStatus::WrongType;
    number = value.dword;
    return RegStatus::Ok;
}

RegStatus RegKey::SetValue(const std::string& name, const RegValue& value)
{
    if (!IsValidName(name, false) || (value.IsText() && !IsStorableText(value.text)))
        return RegStatus::InvalidArgument;
    return ChangeKey([&](RegKeyNode& key) {
        key.SetValue(name, value);
        return RegStatus::Ok;
    });
}

RegStatus RegKey::SetString(const std::string& name, const std::string& text)
{
    return SetValue(name, RegValue::String(text));
}

RegStatus RegKey::SetExpandString(const std::string& name, const std::string& text)
{
    return SetValue(name, RegValue::ExpandString(text));
}

RegStatus RegKey::SetDWord(const std::string& name, std::uint32_t number)
{
    return SetValue(name, RegValue::DWord(number));
}

RegStatus RegKey::DeleteValue(const std::string& name)
{
    return ChangeKey([&](RegKeyNode& key) {
        return key.RemoveValue(name) ? RegStatus::Ok : RegStatus::NotFound;
    });
}

RegStatus RegKey::DeleteSubKeyTree(const std::string& path)
{
    std::vector<std::string> names;
    if (!m_bOpen || !SplitKeyPath(path, names) || names.empty())
        return RegStatus::InvalidArgument;
    return m_registry.Update([&](RegistryModel& model) {
        if (!model.FindKey(m_root, m_strPath))
            return RegStatus::NotFound;
        return model.DeleteKey(m_root, SubPath(path)) ? RegStatus::Ok : RegStatus::NotFound;
    });
}

RegStatus RegKey::EnumSubKeys(std::vector<std::string>& names)
{
    names.clear();
    const RegKeyNode* key;
    RegStatus status = CurrentKey(key);
    if (status == RegStatus::Ok)
        for (const auto& sub : key->SubKeys())
            names.push_back(sub->Name());
    return status;
}

RegStatus RegKey::EnumValues(std::vector<std::string>& names)
{
    names.clear();
    const RegKeyNode* key;
    RegStatus status = CurrentKey(key);
    if (status == RegStatus::Ok)
        for (const auto& entry : key->Values())
            names.push_back(entry.first);
    return status;
}

} // namespace quillmark::registry
