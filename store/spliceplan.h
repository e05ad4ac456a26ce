#pragma once
// The splice of one change into a file in the formatter's exact form: from
// the index of the current file and the pending change, the new records' bytes,
// the write plan (which byte ranges of the current file are kept, which new
// bytes stand between them) and the index updates that follow the write.
// Computed without I/O, so that tests can check it against the tree writer.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/pendingchange.h"
#include "store/tagindex.h"
#include "store/writeplan.h"

namespace quillmark {

// A record's texts made for the file: the values the attributes view, the
// marked tags, and the element's bytes. Built in place and never moved, since
// `attrs` views `values`.
struct NewRecord {
    std::array<std::string, kAttrCount> values;
    AttrList attrs;
    std::string marked;
    std::string bytes;
    std::uint32_t startTag = 0;    // length of the start tag in `bytes`
    std::uint64_t keptContent = 0; // bytes of the old record's content kept after `bytes`
};

class SplicePlan {
public:
    SplicePlan() = default;
    // Pieces and edits view the records' strings: the plan stays where it is made.
    SplicePlan(const SplicePlan&) = delete;
    SplicePlan& operator=(const SplicePlan&) = delete;

    WritePlan write;
    std::vector<NewRecord> appended; // the change's live new records, in order
    std::vector<NewRecord> previews; // stored records with a new preview date
    std::vector<std::uint32_t> previewed; // their numbers in the index
    std::vector<std::uint32_t> dropped;   // stored records removed
};

// Plans the splice of `change` into the file that `index` describes (which
// must be in the formatter's exact form) into `plan`.
void PlanSplice(const TagIndex& index, const PendingChange& change, SplicePlan& plan);

// Brings `index` to the file the plan wrote.
void ApplySplice(const SplicePlan& plan, TagIndex& index);

} // namespace quillmark
