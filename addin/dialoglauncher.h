#pragma once
// AddinDialogLauncher: the add-in's dialogs for the command bar's requests. Tag,
// Options, About and the two Browse Tags dialogs are shown modally, owned by the
// host's active window. A host that runs a script gets the shell requests of the
// add-in (Help, Website, links, showing and opening listed files) instead of the
// desktop; otherwise they go to the desktop session (ui/desktopopener.h).
#include "addin/dialogavailability.h"
#include "host/dialogrequests.h"
#include "platform/shell/opener.h"
#include "ui/desktopopener.h"

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
    // Hands "open" and "explore" requests to the host's script while it has one,
    // else to the opener that was current before, else to the desktop session.
    class ScriptAwareOpener final : public shell::UrlOpener {
    public:
        bool Open(const std::string& url) override;
        bool OpenFile(const std::string& path) override;
        bool ShowItem(const std::string& path) override;
        shell::UrlOpener* m_pPrevious = nullptr;

    private:
        shell::UrlOpener& Fallback() { return m_pPrevious ? *m_pPrevious : m_desktop; }
        DesktopOpener m_desktop;
    };

    DialogAvailability m_unavailable;
    ScriptAwareOpener m_opener;
};

} // namespace quillmark
