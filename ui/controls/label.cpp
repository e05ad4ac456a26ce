#include "ui/controls/label.h"

#include "officeapi/scripthooks.h"
#include "ui/controls/desktop.h"
#include "ui/controls/fonts.h"

#include <QColor>
#include <QFont>
#include <QMouseEvent>
#include <QPalette>

#include <cctype>

namespace quillmark {

namespace {

QColor FromColorRef(unsigned colorRef)
{
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

} // namespace

Label::Label(QWidget* pParent) : QLabel(pParent)
{
    setProperty(automation::kControlKindProperty, "label");
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::Refresh()
{
    // Painted now, not when the event loop next runs: the caller may keep the
    // thread busy (the Tag dialog stores while its status line shows the step).
    repaint();
    if (QWidget* pParent = parentWidget()) pParent->repaint(geometry());
}

Label& Label::SetText(const std::string& text)
{
    setText(QString::fromStdString(text));
    Refresh();
    return *this;
}

std::string Label::Text() const
{
    return text().toStdString();
}

Label& Label::SetTextColor(unsigned colorRef)
{
    QPalette palette = this->palette();
    // A disabled label keeps the grey of disabled text, so that it looks unable to act.
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::WindowText);
    palette.setColor(QPalette::WindowText, FromColorRef(colorRef));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    setPalette(palette);
    Refresh();
    return *this;
}

Label& Label::SetBkColor(unsigned colorRef)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, FromColorRef(colorRef));
    setPalette(palette);
    setAutoFillBackground(true);
    Refresh();
    return *this;
}

Label& Label::SetFontName(const std::string& face, int /*charset: every face here is Unicode*/)
{
    setFont(WithFace(font(), face));
    Refresh();
    return *this;
}

Label& Label::SetFontSize(int points)
{
    // Pixel size at 96 dots per inch, as the dialog units assume.
    QFont f = font();
    f.setPixelSize(PointsToPixels(points));
    setFont(f);
    Refresh();
    return *this;
}

Label& Label::SetFontUnderline(bool bUnderline)
{
    QFont f = font();
    f.setUnderline(bUnderline);
    setFont(f);
    Refresh();
    return *this;
}

Label& Label::SetFontBold(bool bBold)
{
    QFont f = font();
    f.setBold(bBold);
    setFont(f);
    Refresh();
    return *this;
}

Label& Label::SetFontItalic(bool bItalic)
{
    QFont f = font();
    f.setItalic(bItalic);
    setFont(f);
    Refresh();
    return *this;
}

Label& Label::SetLink(bool bIsLink, bool bNotifyParent)
{
    m_bIsLink = bIsLink;
    m_bNotifyParent = bNotifyParent;
    setProperty(automation::kControlKindProperty, bIsLink ? "link" : "label");
    return *this;
}

Label& Label::SetLinkCursor()
{
    m_bLinkCursor = true;
    setCursor(Qt::PointingHandCursor);
    return *this;
}

bool Label::IsWebAddress(const std::string& text)
{
    auto startsWith = [&text](const char* prefix) {
        const std::string p(prefix);
        if (text.size() <= p.size()) return false;
        for (std::size_t i = 0; i < p.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(text[i])) != p[i]) return false;
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

void Label::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton || !m_bIsLink) {
        QLabel::mousePressEvent(pEvent);
        return;
    }
    pEvent->accept();
    if (m_bNotifyParent) {
        if (m_fnNotify) m_fnNotify(*this);
        return;
    }
    const std::string target = Text();
    if (IsWebAddress(target)) ShellOpen(target); // a failing request shows nothing
}

} // namespace quillmark
