#pragma once
// One simulated office host (Word or PowerPoint) in this process: the office host
// over the simulated office's model of real files. This is the in-process API tests
// and quillmark-host use.
//
//   SimOffice office(HostKind::Word);
//   office.LoadAddins(std::cerr);                 // the registry's add-in list
//   office.Model().Open("/tmp/a.doc", 0, &error); // fires DocumentOpen, WindowActivate
//   office.CommandBars().FindButtonByTag("&Tag")->FireClick();
//   office.Shutdown();                            // add-ins disconnected, bars gone
#include "officecore/officehost.h"
#include "simoffice/officemodel.h"

namespace quillmark::simoffice {

class MainWindow;

class SimOffice : public officecore::OfficeHost {
public:
    explicit SimOffice(HostKind host);

    OfficeModel& Model() { return static_cast<OfficeModel&>(OfficeHost::Model()); }

    // The host's main window while one exists (it registers itself); null otherwise.
    // Scripts draw it for screenshots when no dialog is open.
    MainWindow* Window() const { return m_pWindow; }
    void SetWindow(MainWindow* pWindow);

private:
    MainWindow* m_pWindow = nullptr;
};

} // namespace quillmark::simoffice
