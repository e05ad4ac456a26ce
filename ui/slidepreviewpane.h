#pragma once
// SlidePreviewPane: the child panel of the Browse Tags dialog for presentations
// that shows one slide image of the chosen presentation at a time, with
// "< Prev" / "Next >" and a counter such as "2 of 5 Slides". The images are the
// JPEGs of the presentation's preview folder (host/previewfolder.h); each is shown
// at most 320 x 240, centred, or fitted to the picture when the pane has been
// stretched larger than that. A link that cannot act is drawn grey. With no presentation chosen it shows the product's
// placeholder picture (bitmap 201 for product type 2, else 204).
#include "store/taggingdatabase.h"
#include "ui/templatedialog.h"

#include <QPixmap>

class QLabel;

namespace quillmark {

class Label;
class OfficeApplication;

// What the pane tells the dialog that owns it.
class SlidePreviewOwner {
public:
    virtual void UpdateInsertSlideText(int slide, int count) = 0;
    virtual void UpdateButtons() = 0;

protected:
    ~SlidePreviewOwner() = default;
};


class SlidePreviewPane : public TemplatePanel {
public:
    SlidePreviewPane(OfficeApplication& officeApp, SlidePreviewOwner& owner, QWidget* pParent);

    void ShowPlaceholder();
    // Forgets the presentation: no slides, counter empty, the owner told.
    void ClearItem();
    // Takes a presentation, counts its images and goes to slide 1 (shows nothing yet).
    void SetItem(const FileItem& item);
    // Shows image currentSlide; an empty picture when there is none.
    void ShowSlide();
    void Next();
    void Prev();

    int currentSlide = 0;
    int slideCount = 0;
    FileItem previewItem;

    QLabel* Picture() const { return m_pPicture; }
    Label* Counter() const { return m_pCounter; }
    Label* NextControl() const { return m_pNext; }
    Label* PrevControl() const { return m_pPrev; }

protected:
    // The picture grows; the links and the counter stay below it.
    void OnStretch(int dx, int dy) override;

private:
    void SetCounter();
    void UpdateNavigation();
    void Moved();

    OfficeApplication& m_officeApp;
    SlidePreviewOwner& m_owner;
    QPixmap m_placeholder;
    QLabel* m_pPicture = nullptr;
    Label* m_pCounter = nullptr;
    Label* m_pNext = nullptr;
    Label* m_pPrev = nullptr;
};

} // namespace quillmark
