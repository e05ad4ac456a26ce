#pragma once
// How the command bar asks for a dialog. The bar's handlers only say which dialog
// they want and with what; whoever builds the dialogs implements DialogLauncher and
// hands it to the wrapper (OfficeApplication::SetDialogLauncher). Dialogs are modal
// and owned by the host's active window; Show returns when the dialog has closed.
#include <string>

#include "platform/com/com.h"

namespace quillmark {

class AppSettings;
class OfficeApplication;

enum class DialogKind {
    TagWord,             // Tag dialog for a Word document (`spDocument` is its _Document)
    TagPowerPoint,       // Tag dialog for a presentation (`spDocument` is its _Presentation)
    BrowseDocuments,     // Browse Tags dialog for documents, with `strSearch`
    BrowsePresentations, // Browse Tags dialog for presentations, with `strSearch`
    Options,             // Options dialog over `pSettings`
    About,               // About dialog over `pSettings`
};

struct DialogRequest {
    DialogKind kind = DialogKind::About;
    OfficeApplication* pOfficeApp = nullptr; // the wrapper the dialog works through (borrowed)
    AppSettings* pSettings = nullptr;        // borrowed
    std::string strSearch;                   // the search text of a Browse dialog ("" = list all)
    ComPtr<IDispatch> spDocument;            // the document or presentation of a Tag dialog
};

class DialogLauncher {
public:
    virtual ~DialogLauncher() = default;
    // Shows the dialog modally; true when it was closed with OK.
    virtual bool Show(const DialogRequest& request) = 0;
};

} // namespace quillmark
