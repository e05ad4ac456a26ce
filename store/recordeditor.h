#pragma once
// The records as one change to the tag database sees them: those of the file
// as it stands under the lock, with the change's own edits applied in order.
// TaggingDatabase::Change hands one to its caller's function; everything done
// through it is saved at once, in one replacement of the file, or not at all.
#include <functional>
#include <string>

#include "store/fileitem.h"

namespace quillmark {

class RecordEditor {
public:
    virtual ~RecordEditor() = default;

    // The tags stored for `path` (of every record with its fingerprint, in
    // file order), this change's edits included; empty when it has none.
    virtual TagList Tags(const std::string& path) const = 0;
    // True when a record for `path` is stored (this change's edits included).
    virtual bool Contains(const std::string& path) const = 0;
    // Every record as the file held it when the change began (path, name, md5,
    // preview date, tags), in file order; edits made meanwhile do not change
    // what is visited, so a function may edit while it walks.
    virtual void ForEach(const std::function<void(const FileItem&)>& each) const = 0;

    // Stores `tags` for `path` with the file's dates as they are now, in place
    // of its record (SetFileTags). False, with nothing changed and the reason
    // in LastError, when the path or a tag cannot be stored.
    virtual bool SetTags(const std::string& path, const TagList& tags) = 0;
    // Stores `item` (its path, dates and tags) in place of its record.
    virtual bool Write(const FileItem& item) = 0;
    // Removes the record of `path`; false when there is none.
    virtual bool Remove(const std::string& path) = 0;
    // Sets the preview date of the record with fingerprint `md5`; false when there is none.
    virtual bool SetPreviewDate(const std::string& md5, Time previewDate) = 0;
};

// A change: edits the records and returns true to save them, false to give up
// (nothing is then written).
using RecordChange = std::function<bool(RecordEditor&)>;
// A change to one record's tags: the current tags in, the new tags out.
using TagsChange = std::function<TagList(const TagList&)>;

} // namespace quillmark
