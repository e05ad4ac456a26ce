#pragma once
// Opening a web address in the user's browser, as the shell's "open" verb does.
// Everything goes through the process-wide current opener, which tests replace
// with a recorder.
#include <string>

namespace quillmark::shell {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Starts opening `url`; true when the request was handed on. Never waits for the browser.
    virtual bool Open(const std::string& url) = 0;
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
