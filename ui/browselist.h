#pragma once
// BrowseList: what a Browse Tags dialog lists and which listed file the user has
// chosen. The rows are the database's records of the dialog's file types whose
// tags contain the search text, in database order. The choice is kept by path:
// after a refill (a search, a removal, a relocation, a regenerated preview) it
// follows the chosen file to its new row, or is dropped when the file is no
// longer listed, so that no action ever reaches a file the user did not choose.
#include <string>

#include "store/taggingdatabase.h"

namespace quillmark {

class BrowseList {
public:
    BrowseList(TaggingDatabase& database, TypeList documentTypes);

    // Lists the records matching `queryText` (all records of the types when empty).
    void Fill(const std::string& queryText);

    const ResultList& Items() const { return m_fileItems; }
    int Count() const { return static_cast<int>(m_fileItems.size()); }
    // The record of `row`; null when the row does not exist.
    const FileItem* Item(int row) const;
    const TypeList& DocumentTypes() const { return m_documentTypes; }

    // The chosen row; -1 when none is chosen.
    int SelectedIndex() const { return m_nSelectedIndex; }
    // Chooses `row`; a row that does not exist (-1: the area below the rows) chooses nothing.
    void Select(int row);
    // The chosen record; null when none is chosen.
    const FileItem* Selected() const { return Item(m_nSelectedIndex); }

private:
    TaggingDatabase& m_database;
    TypeList m_documentTypes;
    ResultList m_fileItems;
    int m_nSelectedIndex = -1;
};

} // namespace quillmark
