#pragma once
// AddinDialogLauncher: the add-in's dialogs for the command bar's requests. Tag,
// Options and About are shown modally, owned by the host's active window; the
// Browse Tags dialogs are not part of this version, so their requests still get
// DialogAvailability's note. A host that runs a script gets the shell requests of
// the add-in (Help, Website, links) instead of the desktop.
#include "addin/dialogavailability.h"
#include "host/dialogrequests.h"
#include "platform/shell/opener.h"

#include <iosfwd>

namespace quillmark {

class AddinDialogLauncher final : public DialogLauncher {
public:
    AddinDialogLauncher();
    explicit AddinDialogLauncher(std::ostream& err);
    ~AddinDialogLauncher() override;
    AddinDialogLauncher(const AddinDialogLauncher&) = delete;
    AddinDialogLauncher& operator=(const AddinDialogLauncher&) = delete;

    bool Show(const DialogRequest& request) override;

private:
    // Hands "open" requests to the host's script while it has one, else to the desktop.
    class ScriptAwareOpener final : public shell::UrlOpener {
    public:
        bool Open(const std::string& url) override;
        shell::UrlOpener* m_pPrevious = nullptr;
    };

    DialogAvailability m_unavailable;
    ScriptAwareOpener m_opener;
};

} // namespace quillmark
