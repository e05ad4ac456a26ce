#pragma once
// DesktopOpener: the shell of a desktop session. "Explore" asks the session's file
// manager over D-Bus to show the file (org.freedesktop.FileManager1.ShowItems,
// which also selects it); without a session bus or such a file manager it falls
// back to xdg-open on the file's folder. Web addresses and files go to xdg-open.
#include "platform/shell/opener.h"

namespace quillmark {

class DesktopOpener final : public shell::UrlOpener {
public:
    bool Open(const std::string& url) override { return m_xdg.Open(url); }
    bool ShowItem(const std::string& path) override;

private:
    shell::XdgUrlOpener m_xdg;
};

} // namespace quillmark
