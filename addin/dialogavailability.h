#pragma once
// DialogAvailability: the answer to a request for a dialog that is not part of this
// version (AddinDialogLauncher hands it the Browse Tags requests, and every request
// when the host has no Qt application). It tells the user, in one line on the
// error stream, which dialog was asked for and with what, and changes nothing.
#include "host/dialogrequests.h"

#include <iosfwd>
#include <string>

namespace quillmark {

class DialogAvailability final : public DialogLauncher {
public:
    // Writes its notes to `err` (the process's error stream by default).
    DialogAvailability();
    explicit DialogAvailability(std::ostream& err);

    // Says that the dialog is not available; false: nothing was confirmed, so the
    // caller changes nothing (Options does not refresh the bar).
    bool Show(const DialogRequest& request) override;

    // The note for `request`, without the line end, e.g.
    // quillmark: the Browse Tags dialog for documents (search "budget") is not available in this version
    static std::string Note(const DialogRequest& request);

private:
    std::ostream& m_err;
};

} // namespace quillmark
