#pragma once
// One office host (Word or PowerPoint) in this process over an office: the
// application object handed to add-ins, its command bars, and the add-ins loaded
// from the registry. The simulated office and LibreOffice both host add-ins this way.
//
//   OfficeHost host(std::move(pOffice), "quillmark-office");
//   host.LoadAddins(std::cerr);                       // the registry's add-in list
//   host.Model().Open("/tmp/a.doc", 0, &error);       // fires DocumentOpen, WindowActivate
//   host.CommandBars().FindButtonByTag("&Tag")->FireClick();
//   host.Shutdown();                                  // add-ins disconnected, bars gone
#include "officecore/addinloader.h"
#include "officecore/appcore.h"
#include "officecore/commandbarobjects.h"
#include "officecore/office.h"
#include "platform/com/com.h"

#include <QImage>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillmark::officecore {

class OfficeHost {
public:
    // `programName` starts the messages about the add-in list ("quillmark-host: ...").
    OfficeHost(std::unique_ptr<Office> pOffice, std::string programName);
    virtual ~OfficeHost();
    OfficeHost(const OfficeHost&) = delete;
    OfficeHost& operator=(const OfficeHost&) = delete;

    HostKind Host() const { return m_pOffice->Host(); }
    Office& Model() { return *m_pOffice; }
    const std::string& ProgramName() const { return m_strProgram; }
    // The application object as add-ins get it (answers QueryInterface for the host's
    // own _Application, IDispatch and IConnectionPointContainer). Not counted.
    IDispatch* Application() const { return m_spApplication.Get(); }
    SimCommandBars& CommandBars() { return m_pCore->Bars(); }
    // The automation object of an open document (Word _Document / PowerPoint _Presentation).
    ComPtr<IDispatch> DocumentObject(OfficeDocument& doc) { return m_pCore->DocumentObject(doc); }
    // Every application event fired is passed here first, e.g. "DocumentOpen /tmp/a.doc".
    void SetEventTrace(std::function<void(const std::string&)> fnTrace);

    // A picture of the host's main window for screenshots when no dialog is open;
    // unset (null picture) when the host has no window of its own to draw.
    void SetWindowPicture(std::function<QImage()> fnPicture) { m_fnWindowPicture = std::move(fnPicture); }
    bool HasWindowPicture() const { return static_cast<bool>(m_fnWindowPicture); }
    QImage WindowPicture() const { return m_fnWindowPicture ? m_fnWindowPicture() : QImage(); }

    // Loads the start-up add-ins of the host's list from the registry file `registryFile`
    // (empty: the default one); problems are reported on `report`. Connected add-ins.
    int LoadAddins(std::ostream& report, const std::string& registryFile = {});
    std::vector<std::string> LoadedAddins() const;

    // The host ends: add-ins are told and released, command bars (all temporary)
    // vanish, document objects are cut off, add-in libraries are unloaded when they
    // allow it. Called by the destructor too.
    void Shutdown();

private:
    std::unique_ptr<Office> m_pOffice; // first: it outlives the objects over it
    std::string m_strProgram;
    AppCore* m_pCore = nullptr;
    ComPtr<IDispatch> m_spApplication;
    std::unique_ptr<AddinLoader> m_pLoader;
    bool m_bShutDown = false;
    std::function<QImage()> m_fnWindowPicture;
};

} // namespace quillmark::officecore
