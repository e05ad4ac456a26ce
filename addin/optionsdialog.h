#pragma once
// OptionsDialog ("Preferences"): the two preferences a user changes. The radio
// pair sets PPTCreatePreviewAtInsert (first button 0: previews after tagging;
// second 1: as needed when browsing). The check box "Automatically add the
// document filename as tag" is checked exactly when the file name is added, that is
// when GlobalDefaultFileNameTag is not 1 (1 means: neither add nor hide it). OK
// stores 0 or 1 into both settings and saves them; Cancel touches nothing.
#include "ui/templatedialog.h"

namespace quillmark {

class AppSettings;

class OptionsDialog : public TemplateDialog {
public:
    explicit OptionsDialog(AppSettings* pSettings, QWidget* pOwner = nullptr);

    int RadioIndex() const { return m_nRadioIndex; }
    int CheckValue() const { return m_nCheckValue; }

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    AppSettings* m_pSettings; // not owned
    int m_nRadioIndex = 0;
    int m_nCheckValue = 0;
};

} // namespace quillmark
