#pragma once
// WordBrowseTagDialog: the Browse Tags dialog for documents. Lists the tagged
// Word and OpenDocument text files that match the search text (the Search button
// searches; typing does not), and opens the chosen one in Word.
#include "ui/browsetagdialog.h"

namespace quillmark {


class WordBrowseTagDialog : public BrowseTagDialog {
public:
    explicit WordBrowseTagDialog(OfficeApplication& officeApp, QWidget* pOwner = nullptr);

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnExistingFileClicked(int row) override;
    void UpdateButtons() override;
    std::string LocateFilter() const override;
    std::string LocateExtension() const override { return "doc"; }
};

} // namespace quillmark
