#include "officecore/addinlist.h"

#include "platform/registry/registry.h"

namespace quillmark::officecore {

using registry::RegRoot;
using registry::RegStatus;

std::string AddinListKey(HostKind host)
{
    return std::string("Software\\Microsoft\\Office\\") + HostName(host) + "\\Addins";
}

namespace {

const std::string* DefaultText(const registry::RegKeyNode* pKey)
{
    if (!pKey) return nullptr;
    const registry::RegValue* pValue = pKey->FindValue("");
    return pValue && pValue->IsText() ? &pValue->text : nullptr;
}

void Resolve(const registry::RegistryModel& model, AddinEntry& entry)
{
    const registry::RegKeyNode* pProgId = model.FindKey(RegRoot::ClassesRoot, entry.progId);
    if (!pProgId) {
        entry.error = "no HKEY_CLASSES_ROOT\\" + entry.progId + " key (the class is not registered)";
        return;
    }
    const std::string* pClsid = DefaultText(pProgId->FindSubKey("CLSID"));
    if (!pClsid || pClsid->empty()) {
        entry.error = "HKEY_CLASSES_ROOT\\" + entry.progId + "\\CLSID names no class id";
        return;
    }
    entry.clsid = *pClsid;
    std::string serverKey = "CLSID\\" + entry.clsid + "\\InprocServer32";
    const std::string* pPath = DefaultText(model.FindKey(RegRoot::ClassesRoot, serverKey));
    if (!pPath || pPath->empty()) {
        entry.error = "no library registered under HKEY_CLASSES_ROOT\\" + serverKey;
        return;
    }
    entry.libraryPath = *pPath;
}

} // namespace

std::vector<AddinEntry> ReadAddinList(const registry::RegistryModel& model, HostKind host)
{
    std::vector<AddinEntry> entries;
    const registry::RegKeyNode* pList = model.FindKey(RegRoot::CurrentUser, AddinListKey(host));
    if (!pList) return entries;
    for (const auto& pKey : pList->SubKeys()) {
        AddinEntry entry;
        entry.progId = pKey->Name();
        const registry::RegValue* pLoad = pKey->FindValue("LoadBehavior");
        if (pLoad && pLoad->type == registry::REG_DWORD) entry.loadBehavior = pLoad->dword;
        entry.bLoadAtStartup = (entry.loadBehavior & 2u) != 0;
        if (entry.bLoadAtStartup) Resolve(model, entry);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool AddAddinToList(HostKind host, const std::string& progId, std::uint32_t loadBehavior,
                    std::string* error, const std::string& registryFile)
{
    if (!registry::IsValidName(progId, true) || progId.empty()) {
        if (error) *error = "not a valid ProgID: \"" + progId + "\"";
        return false;
    }
    registry::RegKey key = registryFile.empty() ? registry::RegKey() : registry::RegKey(registryFile);
    RegStatus status = key.Create(RegRoot::CurrentUser, AddinListKey(host) + "\\" + progId);
    if (status == RegStatus::Ok) status = key.SetDWord("LoadBehavior", loadBehavior);
    if (status != RegStatus::Ok) {
        if (error) *error = key.Error();
        return false;
    }
    return true;
}

bool RemoveAddinFromList(HostKind host, const std::string& progId, std::string* error,
                         const std::string& registryFile)
{
    registry::Registry reg = registryFile.empty() ? registry::Registry() : registry::Registry(registryFile);
    RegStatus status = reg.DeleteKey(RegRoot::CurrentUser, AddinListKey(host) + "\\" + progId);
    if (status == RegStatus::Ok || status == RegStatus::NotFound) return true;
    if (error) *error = reg.Error();
    return false;
}

} // namespace quillmark::officecore
