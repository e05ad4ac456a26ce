#pragma once
// Label: static text drawn with its own font, size and colour that repaints at once
// when its text changes, and that can be a link.
//
// Setters return the label so that calls chain:
//   label.SetFontName("Arial", 0).SetText(url).SetFontUnderline(true).SetLink(true, false);
//
// A label opens nothing unless it was made a link with SetLink(true, ...); a link
// without notifyParent asks the shell to open its text, and only when that text is
// an http: or https: address. A status or instruction line therefore ignores clicks.
#include <QLabel>

#include <functional>
#include <string>

namespace quillmark {

class Label : public QLabel {
public:
    explicit Label(QWidget* pParent = nullptr);

    // The window text, then a refresh: the label and its area of the parent are
    // painted before the call returns, so the text is on screen while the caller
    // keeps the thread busy.
    Label& SetText(const std::string& text);
    Label& SetTextColor(unsigned colorRef); // 0x00BBGGRR, as a Windows colour value
    Label& SetBkColor(unsigned colorRef);
    Label& SetFontName(const std::string& face, int charset);
    Label& SetFontSize(int points);
    Label& SetFontUnderline(bool bUnderline);
    Label& SetFontBold(bool bBold);
    Label& SetFontItalic(bool bItalic);
    // isLink: clicks are taken; notifyParent: a click calls the notify handler
    // instead of opening the text.
    Label& SetLink(bool bIsLink, bool bNotifyParent);
    Label& SetLinkCursor();

    // What a click does in notify-parent mode (the parent's notification 0x8200).
    void SetNotifyHandler(std::function<void(Label&)> fnNotify) { m_fnNotify = std::move(fnNotify); }

    std::string Text() const;
    bool IsLink() const { return m_bIsLink; }
    bool HasLinkCursor() const { return m_bLinkCursor; }

    // True for an address the shell may open from a link: http: or https:.
    static bool IsWebAddress(const std::string& text);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    void Refresh();

    bool m_bIsLink = false;
    bool m_bNotifyParent = false;
    bool m_bLinkCursor = false;
    std::function<void(Label&)> m_fnNotify;
};

} // namespace quillmark
