#pragma once
// Handing things to the desktop, as the Windows shell's verbs do: "open" a web
// address in the user's browser or a file in its default application, and
// "explore" the folder of a file in the file manager. Everything goes through the
// process-wide current opener, which tests replace with a recorder and a program
// with a desktop session with a richer one.
#include <string>

namespace quillmark::shell {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Starts opening `url`; true when the request was handed on. Never waits for the browser.
    virtual bool Open(const std::string& url) = 0;
    // Opens a file in the desktop's default application for it. By default: Open(path).
    virtual bool OpenFile(const std::string& path) { return Open(path); }
    // Shows the folder of `path` in the file manager (selecting the file where the
    // file manager can). By default: Open of the folder, the part of `path` before
    // its last separator ("/" or "\\").
    virtual bool ShowItem(const std::string& path);
};

// Starts `xdg-open URL` with an argument vector (no shell ever sees the address).
// It does not wait for it; ended children are reaped by the next Open.
class XdgUrlOpener final : public UrlOpener {
public:
    bool Open(const std::string& url) override;
};

// The opener in use: the one set last, else a process-wide XdgUrlOpener.
UrlOpener& CurrentUrlOpener();
// Makes `pOpener` (not owned; null = the default) the current opener; returns the previous one set.
UrlOpener* SetUrlOpener(UrlOpener* pOpener);
// CurrentUrlOpener().Open(url).
bool OpenUrl(const std::string& url);

} // namespace quillmark::shell
