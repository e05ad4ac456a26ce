#pragma once
// AddinDialogLauncher: the add-in's dialogs for the command bar's requests. Tag,
// Options, About and the two Browse Tags dialogs are shown modally, owned by the
// host's active window.
//
// It also chooses, once, what the dialogs talk to (ui/prompts.h): the host's
// script when the host hangs script hooks on the application (officeapi/
// scripthooks.h), else the real desktop, whose shell requests go to the opener
// that was current before, else to the desktop session (ui/desktopopener.h).
// While it lives those prompts are current, and every request to the current URL
// opener (Help, Website, links) goes through them too.
#include "addin/dialogavailability.h"
#include "host/dialogrequests.h"
#include "platform/shell/opener.h"
#include "ui/desktopopener.h"
#include "ui/prompts.h"

#include <iosfwd>
#include <memory>

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
    // Hands "open" and "explore" requests to the chosen prompts.
    class PromptsOpener final : public shell::UrlOpener {
    public:
        bool Open(const std::string& url) override;
        bool OpenFile(const std::string& path) override;
        bool ShowItem(const std::string& path) override;
        Prompts* m_pPrompts = nullptr;
    };

    DialogAvailability m_unavailable;
    DesktopOpener m_desktop;
    shell::UrlOpener* m_pPreviousOpener = nullptr;
    std::unique_ptr<Prompts> m_pPrompts;
    Prompts* m_pPreviousPrompts = nullptr;
    PromptsOpener m_opener;
};

} // namespace quillmark
