#pragma once
// TagDialog: the modal dialog in which the user edits the tags of one document
// (Word) or presentation (PowerPoint) as a comma-separated line. "Tag" stores them
// (in the tag database for a saved file outside the temporary folders, else in the
// document's Keywords) while the progress panel names each step, refreshes the
// tag buttons and, for a presentation, may save its preview.
//
// When the database cannot be written, a message box says so and why, and the
// dialog returns to the entry form with the typed text as it was; nothing else
// changes.
#include "officeapi/powerpointwrappers.h"
#include "officeapi/wordwrappers.h"
#include "ui/tagdialogchild.h"
#include "ui/templatedialog.h"

#include <string>

namespace quillmark {

class PowerPointApplication;
class WordApplication;

class TagDialog : public TemplateDialog {
public:
    TagDialog(PowerPointApplication& officeApp, powerpoint::_PresentationPtr spPresentation, QWidget* pOwner = nullptr);
    TagDialog(WordApplication& officeApp, word::_DocumentPtr spDocument, QWidget* pOwner = nullptr);

    // 1: a presentation, 2: a Word document.
    int DocumentKind() const { return m_nDocumentKind; }
    QPushButton* TagButton() const { return m_pTagButton; }
    TagViewForm* Form() const { return m_windowTagViewForm; }
    TagViewProgress* Progress() const { return m_windowTagViewProgress; }

    // The tags text with every piece that is the placeholder alone (after
    // trimming) taken out; a longer tag keeps its text. The separators stay.
    static std::string RemovePlaceholder(const std::string& tagsText, const std::string& placeholder);

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    // Renders the slides of the presentation after tagging (when the settings ask
    // for previews at tagging time).
    virtual void SavePresentationPreview();

private:
    // The three steps both storing paths begin with; false when there is nothing to store.
    void BeginStoring();
    bool StoreToDatabase();
    void StoreToDocument();
    // Back to the entry form after a failed store, the typed text unchanged.
    void ReturnToForm();

    OfficeApplication& m_officeApp;
    PowerPointApplication* m_pPowerPoint = nullptr;
    WordApplication* m_pWord = nullptr;
    powerpoint::_PresentationPtr m_spPresentation;
    word::_DocumentPtr m_spDocument;
    int m_nDocumentKind;
    std::string m_strFullName;
    QPushButton* m_pTagButton = nullptr;
    TagViewForm* m_windowTagViewForm = nullptr;
    TagViewProgress* m_windowTagViewProgress = nullptr;
};

} // namespace quillmark
