#pragma once
// AboutDialog: the product's logo, name and version, the maker's notice with the
// build id, and the product web site as a link that opens it.
#include "ui/templatedialog.h"

namespace quillmark {

class AppSettings;
class Label;

class AboutDialog : public TemplateDialog {
public:
    explicit AboutDialog(AppSettings* pSettings, QWidget* pOwner = nullptr);

    Label* ProductLine() const { return m_pProductLine; }
    Label* WebsiteLink() const { return m_pWebsite; }

protected:
    void OnInitDialog() override;

private:
    AppSettings* m_pSettings; // not owned
    Label* m_pProductLine = nullptr;
    Label* m_pWebsite = nullptr;
};

} // namespace quillmark
