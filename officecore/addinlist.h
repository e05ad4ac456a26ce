#pragma once
// The host's own list of add-ins in the registry, and how an entry leads to a
// library: HKEY_CURRENT_USER\Software\Microsoft\Office\<Word|PowerPoint>\Addins\<ProgID>
// (DWORD LoadBehavior, 3 = load at start-up) -> HKEY_CLASSES_ROOT\<ProgID>\CLSID ->
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (default value = library path).
#include "platform/registry/regmodel.h"
#include "officecore/hostkind.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillmark::officecore {

// Load behaviours, as the hosts number them: bit 0 = connected, bit 1 = load at start-up.
inline constexpr std::uint32_t kLoadAtStartup = 3;

// "Software\Microsoft\Office\Word\Addins" (under HKEY_CURRENT_USER).
std::string AddinListKey(HostKind host);

struct AddinEntry {
    std::string progId;
    std::uint32_t loadBehavior = 0;
    bool bLoadAtStartup = false; // bit 1 of LoadBehavior
    std::string clsid;           // "{...}" from HKEY_CLASSES_ROOT\<ProgID>\CLSID
    std::string libraryPath;     // InprocServer32 default value
    std::string error;           // why the entry cannot be loaded; empty when it can
};

// Every entry of the host's list in registry order, each resolved as far as it goes.
// Entries without the start-up bit are listed (bLoadAtStartup false) and not resolved.
std::vector<AddinEntry> ReadAddinList(const registry::RegistryModel& model, HostKind host);

// Adds (or updates) a ProgID in the host's list, in the registry file `registryFile`
// (empty: the default file). False with `error` on failure.
bool AddAddinToList(HostKind host, const std::string& progId, std::uint32_t loadBehavior,
                    std::string* error = nullptr, const std::string& registryFile = {});
// Removes a ProgID from the host's list; true when it is not there (any more).
bool RemoveAddinFromList(HostKind host, const std::string& progId, std::string* error = nullptr,
                         const std::string& registryFile = {});

} // namespace quillmark::officecore
