#pragma once
// PowerPointBrowseTagDialog: the Browse Tags dialog for presentations. Lists the
// tagged presentations (and tagged pictures) matching the search text as it is
// typed, makes a presentation's slide previews when they are missing or older
// than the file, shows them in the slide preview pane, opens the presentation,
// or inserts the shown slide behind the current slide of the active one (result
// 211). Opened from Word's search box it has no PowerPoint to render with: it
// shows the previews that exist, makes none, cannot insert, and opens a file with
// the desktop's default application.
#include "ui/browsetagdialog.h"
#include "ui/slidepreviewpane.h"

namespace quillmark {

class BrowseProgressPanel;
class Label;
class PowerPointApplication;

inline constexpr int IDC_INSERTSLIDE = 211;

class PowerPointBrowseTagDialog : public BrowseTagDialog, public SlidePreviewOwner {
public:
    explicit PowerPointBrowseTagDialog(OfficeApplication& officeApp, QWidget* pOwner = nullptr);

    void UpdateInsertSlideText(int slide, int count) override;
    void UpdateButtons() override;

    SlidePreviewPane* PreviewPane() const { return m_windowViewForm; }
    BrowseProgressPanel* ProgressPanel() const { return m_windowProgress; }
    QPushButton* InsertButton() const { return m_pInsertButton; }
    Label* WebsiteLink() const { return m_pLink; }

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnExistingFileClicked(int row) override;
    void OnRefilled() override;
    std::string LocateFilter() const override;
    void LayOut(int dx, int dy) override;
    std::string LocateExtension() const override { return "ppt"; }

private:
    void OnSearch();
    // Makes the item's previews again when they are missing or older than its file.
    void CheckPreview(FileItem& item);

    PowerPointApplication* m_pPowerPoint = nullptr; // null when opened from Word
    SlidePreviewPane* m_windowViewForm = nullptr;
    BrowseProgressPanel* m_windowProgress = nullptr;
    QPushButton* m_pInsertButton = nullptr;
    Label* m_pLink = nullptr;
};

} // namespace quillmark
