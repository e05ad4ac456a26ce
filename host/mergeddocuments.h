#pragma once
// MergedDocuments: which open documents have their "Keywords" tags in the tag
// database. "Just before a save, the database wins" may only overwrite Keywords
// the database provably holds: those of a document whose merge into its record
// (on opening, or retried at a save) read the database and was written, or had
// nothing to add. For any other document the save leaves Keywords as they are and
// says so once, so that a busy lock or an unreadable database never costs a
// document its own tags.
//
// Keywords enter the database within the limits of docprops/taglimits.h: a tag
// the record lacks is cut to its longest length, and a file gives at most so
// many tags; the first time for a document a warning on stderr says so. The
// Keywords that were cut or left out are not the database's to overwrite: a save
// keeps them as they were.
//
// Documents are told apart by their COM identity; a closing document is
// forgotten. Both event handlers own one.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "docprops/taglimits.h"
#include "platform/com/com.h"
#include "store/tagtext.h"

namespace quillmark {

class TaggingDatabase;

class MergedDocuments {
public:
    // Merges `keywords` (within the limits) and the file-name tag into the record
    // of `fullName` (the stored tags first, see TagUnion::ForOpenedDocument), writing the record only
    // when something was added; `bChanged` tells whether it was. Remembers the
    // document as merged when the database could be read and the record holds the
    // tags afterwards; otherwise as not merged. True when merged.
    bool Merge(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity, const std::string& fullName,
               const TagList& keywords, bool& bChanged);

    // The tags a save writes into Keywords: the stored ones when the document is
    // merged (merging it now when it is not) and the database can be read, with the
    // Keywords the limits kept out of the database that `keywords` still holds: a
    // cut one in the place of the tag it was cut to, the others last. nullopt
    // when Keywords must stay as they are (the document then counts as not merged);
    // the first time for a document, a warning on stderr says why.
    std::optional<TagList> TagsForSave(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity,
                                       const std::string& fullName, const TagList& keywords);

    // What the record of a just-saved document becomes: `savedTags` (its Keywords
    // and file-name tag) replace the record for a merged document or one never
    // merged; a document whose merge failed is merged instead, so that tags only the
    // database holds survive. The Keywords the limits kept out stay out; for a
    // document opened from a file, any other tag the record lacks enters within the
    // limits. False when the database was not written.
    bool RecordSaved(TaggingDatabase& database, const ComPtr<IUnknown>& spIdentity, const std::string& fullName,
                     const TagList& keywords, const TagList& savedTags);

    // The document was opened from a file: its Keywords are the file's, not typed
    // here, and enter its record within the limits also when it is first recorded
    // at a save (a template, a file from a temporary folder saved elsewhere). The
    // Keywords of a document made in the host are the user's and are never cut.
    void NoteOpenedFromFile(const ComPtr<IUnknown>& spIdentity)
    {
        if (spIdentity) Put(m_fromFile, spIdentity, true);
    }

    bool IsMerged(const ComPtr<IUnknown>& spIdentity) const { return Find(m_merged, spIdentity) >= 0; }
    void Forget(const ComPtr<IUnknown>& spIdentity);

private:
    // Remembers what the limits kept out of the document's record, and says so once.
    void NoteLimited(const ComPtr<IUnknown>& spIdentity, const std::string& fullName, const LimitedTags& limited);
    // The Keywords kept out of the document's record ({} when none).
    const TagList& Untaken(const ComPtr<IUnknown>& spIdentity) const;

    static long Find(const std::vector<ComPtr<IUnknown>>& docs, const ComPtr<IUnknown>& spIdentity);
    static void Put(std::vector<ComPtr<IUnknown>>& docs, const ComPtr<IUnknown>& spIdentity, bool bIn);

    std::vector<ComPtr<IUnknown>> m_merged; // the database holds their Keywords
    std::vector<ComPtr<IUnknown>> m_failed; // a merge was tried and failed
    std::vector<ComPtr<IUnknown>> m_told;   // the warning about kept Keywords was given
    std::vector<ComPtr<IUnknown>> m_toldLimited; // the warning about the limits was given
    std::vector<ComPtr<IUnknown>> m_fromFile;    // opened from a file
    std::vector<std::pair<ComPtr<IUnknown>, TagList>> m_untaken; // Keywords the limits kept out
};

} // namespace quillmark
