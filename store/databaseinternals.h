#pragma once
// What a TaggingDatabase holds, kept out of its public header: only the
// store's own sources see the index, the file and the document tree.
#include <chrono>
#include <string>

#include "store/databasefile.h"
#include "store/indexfile.h"
#include "store/tagindex.h"
#include "store/taggingdatabase.h"

using xmlDoc = struct _xmlDoc;

namespace quillmark {

struct TaggingDatabase::Internals {
    TagIndex m_index;
    quillmark::DatabaseFile m_file;
    xmlDoc* m_pTree = nullptr; // the tree changes go through while the file is not in exact form
    bool m_bTreeWriter = false;
    bool m_bFileSystemTags = true;
    std::string m_strDatabaseFile;
    std::chrono::nanoseconds m_lastLockHold{0};
    bool m_bUseIndex = true;
    bool m_bDistrustIndex = false;   // set while the file is read after a damaged index
    bool m_bIndentedReading = false; // the index in memory was read knowing the file's indenting
    indexfile::Loaded m_lastIndexLoad = indexfile::Loaded::Missing;
};

} // namespace quillmark
