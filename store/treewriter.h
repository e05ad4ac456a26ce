#pragma once
// Changes made the way the formatter's own document tree makes them: the file
// is parsed into a tree, the tree changed, and the whole tree written out. The
// tag database takes this way for a file its reader did not find in the
// formatter's exact form; afterwards the file is in that form.
#include <string>

#include "platform/files/filesystem.h"
#include "store/fileitem.h"

using xmlDoc = struct _xmlDoc;
using xmlNode = struct _xmlNode;

namespace quillmark::tree {

// Parses the database file into a tree (same safety as the streaming reader:
// no network, no document type). nullptr with `error` set when it cannot.
// With `bIndented`, the formatter's indenting between elements is dropped, so
// that records put in later are indented like the others when it is written.
xmlDoc* Read(files::FileSystem& fs, const std::string& path, std::string& error, bool bIndented = false);
// A document with an empty <documents> root.
xmlDoc* NewEmpty();
// A new record element for `item`, keyed `key`, not yet placed in the tree;
// nullptr when it cannot be made.
xmlNode* NewRecord(xmlDoc* doc, const std::string& key, const FileItem& item);
// Replaces the first record keyed `key` by a new last record for `item`.
bool WriteRecord(xmlDoc* doc, const std::string& key, const FileItem& item);
// Sets the preview date of the first record keyed `key`; false when there is none.
bool SetPreviewDate(xmlDoc* doc, const std::string& key, Time previewDate);
// Removes the first record keyed `key`, if any.
void RemoveRecord(xmlDoc* doc, const std::string& key);
// The whole document as the formatter writes it (UTF-8, indenting on).
bool Serialize(xmlDoc* doc, std::string& out);
// True when the root holds text nodes (then the formatter adds no indenting).
bool RootHoldsText(xmlDoc* doc);

// The type of a record: everything after the path's last ".", empty without one.
std::string TypeOfPath(const std::string& path);

} // namespace quillmark::tree
