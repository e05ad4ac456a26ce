#include "ui/browselist.h"

#include <utility>

namespace quillmark {

BrowseList::BrowseList(TaggingDatabase& database, TypeList documentTypes)
    : m_database(database), m_documentTypes(std::move(documentTypes))
{
}

void BrowseList::Fill(const std::string& queryText)
{
    const std::string chosenPath = Selected() ? Selected()->path : std::string();
    // An empty search text finds every record of the types, as GetAllDocuments does.
    m_fileItems = m_database.FindDocuments(queryText, m_documentTypes);
    m_nSelectedIndex = -1;
    if (chosenPath.empty()) return;
    for (int row = 0; row < Count(); ++row) {
        if (m_fileItems[static_cast<size_t>(row)].path == chosenPath) {
            m_nSelectedIndex = row;
            return;
        }
    }
}

const FileItem* BrowseList::Item(int row) const
{
    if (row < 0 || row >= Count()) return nullptr;
    return &m_fileItems[static_cast<size_t>(row)];
}

void BrowseList::Select(int row) { m_nSelectedIndex = Item(row) ? row : -1; }

} // namespace quillmark
