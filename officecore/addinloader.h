#pragma once
// Loads the host's add-ins as Word and PowerPoint do: for every start-up entry of
// the host's add-in list, dlopen the registered library, DllGetClassObject,
// IClassFactory::CreateInstance for IDTExtensibility2, OnConnection with the
// application object, then OnStartupComplete. At the end: OnBeginShutdown,
// OnDisconnection, release, and dlclose only when DllCanUnloadNow says S_OK.
// A missing or broken add-in is reported (naming its ProgID and the reason) and skipped.
#include "officeapi/addin.h"
#include "platform/com/com.h"
#include "platform/registry/regmodel.h"
#include "officecore/addinlist.h"

#include <ostream>
#include <string>
#include <vector>

namespace quillmark::officecore {

class AddinLoader {
public:
    // Problems are reported on `report`, one line each.
    // Problems go to `report`, each line starting with `programName` and ": ".
    explicit AddinLoader(std::ostream& report, std::string programName = "quillmark-host")
        : m_report(report), m_strProgram(std::move(programName))
    {
    }
    ~AddinLoader();
    AddinLoader(const AddinLoader&) = delete;
    AddinLoader& operator=(const AddinLoader&) = delete;

    // Connects every start-up add-in of the host's list, then tells them start-up is
    // complete. Returns how many are connected.
    int LoadAll(const registry::RegistryModel& model, HostKind host, IDispatch* pApplication);
    // Connects one resolved entry; false with `error` when it cannot be.
    bool Load(const AddinEntry& entry, IDispatch* pApplication, std::string& error);
    void StartupComplete();
    // The host is ending: OnBeginShutdown to all, then OnDisconnection, then their
    // objects are released. The libraries stay loaded until FreeLibraries.
    void DisconnectAll();
    // dlclose of every library whose DllCanUnloadNow answers S_OK; call it after the
    // host has dropped what it held of the add-ins (event sinks).
    void FreeLibraries();
    void UnloadAll()
    {
        DisconnectAll();
        FreeLibraries();
    }

    // ProgIDs of the connected add-ins, in loading order.
    std::vector<std::string> Loaded() const;

private:
    struct Addin {
        std::string progId;
        void* hLibrary = nullptr;
        ComPtr<office::IDTExtensibility2> spAddin;
    };
    void Report(const std::string& progId, const std::string& reason);

    std::ostream& m_report;
    std::string m_strProgram;
    std::vector<Addin> m_vecAddins;
    std::vector<void*> m_vecLibraries; // disconnected, not yet freed
};

} // namespace quillmark::officecore
