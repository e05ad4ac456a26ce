#include "simoffice/simoffice.h"

#include "simoffice/mainwindow.h"

namespace quillmark::simoffice {

SimOffice::SimOffice(HostKind host) : OfficeHost(std::make_unique<OfficeModel>(host), "quillmark-host") {}

void SimOffice::SetWindow(MainWindow* pWindow)
{
    m_pWindow = pWindow;
    if (pWindow)
        SetWindowPicture([pWindow] { return pWindow->Picture(); });
    else
        SetWindowPicture({});
}

} // namespace quillmark::simoffice
