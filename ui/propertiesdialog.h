#pragma once
// PropertiesDialog: a listed file's facts in one small dialog, in place of the
// shell's property sheet: its name, folder, type, size and dates, the tags the
// database stores for it, and (on its "Summary" part) the built-in document
// properties: Title, Subject, Author, Keywords, Comments, as the host holds them
// while the file is open in it, else as the file itself stores them. A file
// that keeps none (or cannot be read) shows them empty, with a line saying so.
#include "ui/templatedialog.h"

#include <string>

namespace quillmark {

class OfficeApplication;


class PropertiesDialog : public TemplateDialog {
public:
    PropertiesDialog(OfficeApplication& officeApp, std::string path, QWidget* pOwner = nullptr);

    // The text shown for control `id` (240 name ... 252 comments, 253 the note).
    std::string Value(int id) const;

protected:
    void OnInitDialog() override;

private:
    void Show(int id, const std::string& text);

    OfficeApplication& m_officeApp;
    std::string m_strPath;
};

} // namespace quillmark
