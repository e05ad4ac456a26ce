#include "ui/slidepreviewpane.h"

#include "host/officeapplication.h"
#include "host/presentationpreview.h"
#include "host/previewfolder.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "ui/bitmaps.h"
#include "ui/controls/label.h"

#include <QFrame>
#include <QImage>
#include <QLabel>

#include <cstdio>

namespace quillmark {

namespace {
constexpr int kIdsSlideCounter = 112; // "%d of %d Slides"
constexpr int kPicture = 209, kNext = 214, kPrev = 215, kCounter = 212;
constexpr int kPlaceholderPallister = 201, kPlaceholderQuillmark = 204;
} // namespace

SlidePreviewPane::SlidePreviewPane(OfficeApplication& officeApp, SlidePreviewOwner& owner, QWidget* pParent)
    : TemplatePanel(IDD_SLIDEPREVIEW, pParent), m_officeApp(officeApp), m_owner(owner)
{
    m_pPicture = Control<QLabel>(kPicture);
    m_pPicture->setAlignment(Qt::AlignCenter);
    m_pPicture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pPicture->setLineWidth(1);
    const AppSettings* pSettings = officeApp.Settings();
    m_placeholder = LoadBitmapResource(pSettings && pSettings->ProductType == 2 ? kPlaceholderPallister
                                                                                : kPlaceholderQuillmark);
    m_pCounter = Control<Label>(kCounter);
    m_pCounter->setText(QString());
    m_pNext = Control<Label>(kNext);
    m_pPrev = Control<Label>(kPrev);
    // Link-styled commands: a click is a command to the pane, not an address to open.
    for (auto [pLink, text] : {std::pair{m_pNext, "Next >"}, std::pair{m_pPrev, "< Prev"}}) {
        pLink->SetText(text).SetTextColor(0xFF0000).SetFontUnderline(true).SetLink(true, true).SetLinkCursor();
        pLink->setEnabled(false);
    }
    m_pNext->SetNotifyHandler([this](Label&) { Next(); });
    m_pPrev->SetNotifyHandler([this](Label&) { Prev(); });
}

void SlidePreviewPane::ShowPlaceholder() { m_pPicture->setPixmap(m_placeholder); }

void SlidePreviewPane::SetCounter()
{
    char text[128];
    std::snprintf(text, sizeof text, LoadResString(kIdsSlideCounter).c_str(), currentSlide, slideCount);
    m_pCounter->setText(QString::fromUtf8(text));
}

void SlidePreviewPane::UpdateNavigation()
{
    m_pNext->setEnabled(slideCount >= currentSlide + 1);
    m_pPrev->setEnabled(currentSlide > 1);
    if (slideCount == 0) m_pCounter->setText(QString());
}

void SlidePreviewPane::ClearItem()
{
    currentSlide = 0;
    slideCount = 0;
    previewItem = FileItem();
    SetCounter();
    UpdateNavigation();
    m_owner.UpdateInsertSlideText(0, 0);
    m_owner.UpdateButtons();
}

void SlidePreviewPane::SetItem(const FileItem& item)
{
    previewItem = item;
    const AppSettings* pSettings = m_officeApp.Settings();
    slideCount = pSettings ? static_cast<int>(PreviewImageNames(PreviewFolder(*pSettings, item.md5)).size()) : 0;
    currentSlide = 1;
    SetCounter();
    UpdateNavigation();
    m_owner.UpdateInsertSlideText(currentSlide, slideCount);
    m_owner.UpdateButtons();
}

void SlidePreviewPane::ShowSlide()
{
    const AppSettings* pSettings = m_officeApp.Settings();
    const std::string path =
        pSettings && !previewItem.md5.empty() ? FindSlideImage(PreviewFolder(*pSettings, previewItem.md5), currentSlide)
                                              : std::string();
    QImage image;
    if (!path.empty()) image.load(QString::fromStdString(path));
    if (image.isNull()) {
        m_pPicture->setPixmap(QPixmap()); // no image for this slide
        return;
    }
    const QSize room = m_pPicture->contentsRect().size();
    if (room.width() > kPreviewWidth && room.height() > kPreviewHeight)
        image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    else if (image.width() > kPreviewWidth || image.height() > kPreviewHeight)
        image = image.scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_pPicture->setPixmap(QPixmap::fromImage(image));
}

void SlidePreviewPane::OnStretch(int dx, int dy)
{
    PlaceControl(kPicture, 0, 0, dx, dy);
    PlaceControl(kPrev, 0, dy, 0, 0);
    PlaceControl(kNext, 0, dy, 0, 0);
    PlaceControl(kCounter, dx, dy, 0, 0);
    if (slideCount > 0 && currentSlide > 0) ShowSlide();
}

void SlidePreviewPane::Moved()
{
    ShowSlide();
    SetCounter();
    m_owner.UpdateInsertSlideText(currentSlide, slideCount);
    m_owner.UpdateButtons();
    UpdateNavigation();
}

void SlidePreviewPane::Next()
{
    if (currentSlide + 1 > slideCount) return;
    ++currentSlide;
    Moved();
}

void SlidePreviewPane::Prev()
{
    if (currentSlide - 1 < 1) return;
    --currentSlide;
    Moved();
}

} // namespace quillmark
