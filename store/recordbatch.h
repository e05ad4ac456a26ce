#pragma once
// RecordBatch: many record changes made together, under the database lock and
// written in one save (TaggingDatabase::ChangeRecords). A tool that renames a
// tag in 10,000 records, or a scan that updates a folder's files, takes one
// lock and writes the file once instead of once per record.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/fileitem.h"

namespace quillmark {

class RecordBatch {
public:
    // The records as the file holds them when the batch starts, in file order:
    // path, name, md5 and every date set, and the record's tags (elements
    // named "tag" only).
    const ResultList& Records() const { return m_records; }

    // Stores `item` in place of record `index`, keeping its place in the file.
    // Its path may differ: the record then moves to the new path's fingerprint.
    // False (nothing changes) when the path or a tag cannot be stored (not
    // text XML can hold, or a tag with a line break).
    bool Replace(std::size_t index, FileItem item);
    // Removes record `index`.
    void Remove(std::size_t index);
    // Adds a record for `item` after all others; as WriteFileItem, a record
    // already kept under its path's fingerprint is replaced. False as Replace.
    bool Add(FileItem item);

    // Drops every change made so far: nothing is written.
    void Discard();
    bool Changed() const { return m_bChanged; }

    // Used by the database that runs the batch.
    explicit RecordBatch(ResultList records);
    struct Edit {
        bool removed = false;
        std::optional<FileItem> replacement;
    };
    const std::vector<Edit>& Edits() const { return m_edits; }
    const std::vector<FileItem>& Added() const { return m_added; }

private:
    ResultList m_records;
    std::vector<Edit> m_edits;
    std::vector<FileItem> m_added;
    bool m_bChanged = false;
};

// True when `item` can be written to the database; `why` says otherwise.
bool StorableItem(const FileItem& item, std::string& why);

} // namespace quillmark
