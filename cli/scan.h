#pragma once
// quillmark scan: brings the tag database in step with the documents in folders,
// as opening each of them in a host would, and finds moved and renamed files.
#include <ostream>
#include <string>
#include <vector>

#include "store/taggingdatabase.h"

namespace quillmark::cli {

struct ScanOptions {
    std::vector<std::string> folders; // full paths
    bool bDryRun = false;             // report only, change nothing
    bool bPrune = false;              // remove the records of missing files not found again
    bool bProgress = false;           // a progress line on `progress` (a terminal)
};

// Walks the folders (links are not followed, the temporary folder is skipped),
// reads the tags of every document and presentation (Keywords and the file-system
// tags) and, in one save under the lock:
//  - adds to each file's record the tags it lacks and the file-name tag (a file
//    without a record gets one);
//  - moves the record of a missing file to the one new file that is the same by
//    filematch's rule (with its preview folder), and reports ambiguous matches;
//  - lists the records under the folders whose files are missing (and, with
//    bPrune, removes them).
// Reports each change on `out`, then a summary. Damaged files are named and
// counted, never fatal. Exit status: 0, or 1 when a folder cannot be read or the
// database cannot be saved.
int ScanCommand(TaggingDatabase& db, const ScanOptions& options, std::ostream& out, std::ostream& err,
                std::ostream& progress);

} // namespace quillmark::cli
