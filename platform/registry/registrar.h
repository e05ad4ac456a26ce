#pragma once
// The registrar: runs a registration script (the ".rgs" language of COM servers)
// against the registry, to register or to remove what the script names.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {6F3C2B18-...} = s 'Connect Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Words are separated by white space (so "{" and "}" stand alone, while "{6F3C...}"
// is a key name); 'quoted text' may hold blanks, and '' inside it is one quote.
// Roots: HKCR, HKCU, HKLM or their full names. A key is
//   [ForceRemove | NoRemove | Delete] name [= s 'text' | = d 'number'] [{ ... }]
// and "val name = s 'text'" (or d) sets a named value of the enclosing key. A d
// number is decimal or 0x hexadecimal and fits 32 bits.
//
// Registration creates keys and sets values; ForceRemove first deletes the key with
// everything below it; Delete deletes the key (and ignores its body). Removal deletes
// a ForceRemove key whole; never a NoRemove key (its body is still walked); removes
// the values the script names; and deletes a plain key once nothing else is left in
// it, so keys that other programs share survive. Delete does nothing on removal.
//
// %NAME% in any word is replaced by the value given with AddReplacement (%% is one
// "%"). Replacing inside words, after they are split, keeps a replaced path intact
// whatever it holds (quotes, blanks, braces).
//
// A run is all or nothing: the whole script is applied to the registry under one
// lock, and when any step fails (a syntax error, an unknown %NAME%, a name the
// registry cannot hold) nothing of it is written.
#include "platform/registry/registry.h"

#include <map>
#include <string>
#include <string_view>

namespace quillmark::registry {

enum class RegistrarMode { Register, Unregister };

class Registrar {
public:
    explicit Registrar(std::string strRegistryFile = RegistryFilePath())
        : m_registry(std::move(strRegistryFile))
    {
    }

    // %name% is replaced by `value` (names compare without regard to case).
    void AddReplacement(const std::string& name, const std::string& value);
    void ClearReplacements() { m_replacements.clear(); }

    // Runs `script` against the registry file, all or nothing.
    RegStatus Register(std::string_view script) { return Run(script, RegistrarMode::Register); }
    RegStatus Unregister(std::string_view script) { return Run(script, RegistrarMode::Unregister); }
    RegStatus Run(std::string_view script, RegistrarMode mode);

    // Runs `script` against a registry held in memory. On failure the model may hold
    // the steps made before the failing one; Run discards such a model.
    RegStatus Apply(RegistryModel& model, std::string_view script, RegistrarMode mode);

    // Why the last run failed: the script line and what was wrong, or the registry's error.
    const std::string& Error() const { return m_strError; }

private:
    std::map<std::string, std::string> m_replacements; // upper-case name -> value
    Registry m_registry;
    std::string m_strError;
};

} // namespace quillmark::registry
