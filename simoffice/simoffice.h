#pragma once
// One simulated office host (Word or PowerPoint) in this process: the office model,
// the application object handed to add-ins, its command bars, and the add-ins
// loaded from the registry. This is the in-process API tests and quillmark-host use.
//
//   SimOffice office(HostKind::Word);
//   office.LoadAddins(std::cerr);                 // the registry's add-in list
//   office.Model().Open("/tmp/a.doc", 0, &error); // fires DocumentOpen, WindowActivate
//   office.CommandBars().FindButtonByTag("&Tag")->FireClick();
//   office.Shutdown();                            // add-ins disconnected, bars gone
#include "platform/com/com.h"
#include "simoffice/addinloader.h"
#include "simoffice/appcore.h"
#include "simoffice/commandbarobjects.h"
#include "simoffice/hostkind.h"
#include "simoffice/officemodel.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace quillmark::simoffice {

class MainWindow;

class SimOffice {
public:
    explicit SimOffice(HostKind host);
    ~SimOffice();
    SimOffice(const SimOffice&) = delete;
    SimOffice& operator=(const SimOffice&) = delete;

    HostKind Host() const { return m_model.Host(); }
    OfficeModel& Model() { return m_model; }
    // The application object as add-ins get it (answers QueryInterface for the host's
    // own _Application, IDispatch and IConnectionPointContainer). Not counted.
    IDispatch* Application() const { return m_spApplication.Get(); }
    SimCommandBars& CommandBars() { return m_pCore->Bars(); }
    // The automation object of an open document (Word _Document / PowerPoint _Presentation).
    ComPtr<IDispatch> DocumentObject(SimDocument& doc) { return m_pCore->DocumentObject(doc); }
    // Every application event fired is passed here first, e.g. "DocumentOpen /tmp/a.doc".
    void SetEventTrace(std::function<void(const std::string&)> fnTrace);

    // The host's main window while one exists (it registers itself); null otherwise.
    // Scripts draw it for screenshots when no dialog is open.
    MainWindow* Window() const { return m_pWindow; }
    void SetWindow(MainWindow* pWindow) { m_pWindow = pWindow; }

    // Loads the start-up add-ins of the host's list from the registry file `registryFile`
    // (empty: the default one); problems are reported on `report`. Connected add-ins.
    int LoadAddins(std::ostream& report, const std::string& registryFile = {});
    std::vector<std::string> LoadedAddins() const;

    // The host ends: add-ins are told and released, command bars (all temporary)
    // vanish, document objects are cut off, add-in libraries are unloaded when they
    // allow it. Called by the destructor too.
    void Shutdown();

private:
    OfficeModel m_model;
    AppCore* m_pCore = nullptr;
    ComPtr<IDispatch> m_spApplication;
    std::unique_ptr<AddinLoader> m_pLoader;
    bool m_bShutDown = false;
    MainWindow* m_pWindow = nullptr;
};

} // namespace quillmark::simoffice
