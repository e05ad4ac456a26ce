#pragma once
// The two panels of the Tag dialog, laid over the same placeholder: the entry form
// (instruction lines and the tags edit) and the progress panel (status line and bar).
#include "resources/dialogtemplates.h"
#include "ui/progresspanel.h"
#include "ui/templatedialog.h"

#include <string>

class QLineEdit;

namespace quillmark {

class Label;
class OfficeApplication;

class TagViewForm : public TemplatePanel {
public:
    // Builds the form inside `pParent` for the document `fullName` and runs its
    // initialisation: the instruction lines, and `tagsText` from the database
    // tags (else the document's own) without the file-name tag.
    TagViewForm(OfficeApplication& officeApp, std::string fullName, QWidget* pParent);

    // The exchange with edit 203.
    void ReadTagsText();
    void WriteTagsText();

    std::string tagsText;
    const std::string& FullName() const { return m_strFullName; }
    Label* Instruction() const { return m_pLabel204; }
    Label* SecondInstruction() const { return m_pLabel205; }
    QLineEdit* TagsEdit() const { return m_pEdit; }

private:
    OfficeApplication& m_officeApp;
    std::string m_strFullName;
    Label* m_pLabel204 = nullptr;
    Label* m_pLabel205 = nullptr;
    QLineEdit* m_pEdit = nullptr;
};

class TagViewProgress : public ProgressPanel {
public:
    explicit TagViewProgress(QWidget* pParent) : ProgressPanel(IDD_TAGVIEWPROGRESS, pParent) {}
};

} // namespace quillmark
