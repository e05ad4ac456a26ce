#pragma once
// The built-in document properties (Title, Subject, Author, Keywords, Comments)
// read from and written into office files themselves:
//   Office Open XML (.docx .docm .dotx .pptx .pptm .potx): docProps/core.xml
//   OpenDocument (.odt .ott .odp .otp): meta.xml
//   OLE2 compound files (.doc .dot .ppt .pot): the SummaryInformation stream
// Any other file has no place for them (Format::Other).
//
// Writing replaces only the part that holds the properties: every other zip entry
// is copied with its compressed bytes, every other OLE2 stream with its content.
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/files.h"

namespace quillmark::docprops {

struct Properties {
    std::string title, subject, author, keywords, comments;

    // The field called `name` ("Title", "Subject", "Author", "Keywords" or
    // "Comments", ASCII case ignored); nullptr for any other name.
    std::string* Field(std::string_view name);
    const std::string* Field(std::string_view name) const;
    bool operator==(const Properties&) const = default;
};

enum class Format { Other, OfficeOpenXml, OpenDocument, Ole2 };

// The format a file of this name is expected to have, by its extension (ASCII case ignored).
Format FormatOf(std::string_view path);
// "an Office Open XML document", "an OpenDocument file", ... for messages.
const char* FormatName(Format format);

// The properties stored in `path`. nullopt with `error` set when the file cannot be
// read (no regular file, no permission: said as such) or is not a file of the format
// its extension names (damaged, truncated, something else); also for Format::Other.
// `pStamp` receives the identity of the file as read (see Write).
std::optional<Properties> Read(const std::string& path, std::string* error = nullptr,
                               files::FileStamp* pStamp = nullptr);

// Writes `properties` into `target`: the content of the file `source` with the
// properties replaced, or, with `source` empty, a new package of target's format that
// holds only the properties. `source` must be of target's format. Before anything is
// written, every part of the new content but the properties is compared with the
// source (see ChangesOnlyProperties): a source that cannot be read whole is never
// rewritten. The target is written as SaveTarget says: a link is written through,
// a read-only file refused, a file with several hard links rewritten in place, any
// other replaced atomically keeping its permissions.
// `pSourceAsRead`: the identity of the source when it was read (Read's stamp); a
// source changed since (device, inode, size, modification time) is not written.
// On failure nothing is written, `target` is untouched and `error` says why;
// `pWritten` receives the written file's identity on success.
bool Write(const std::string& source, const std::string& target, const Properties& properties,
           std::string* error = nullptr, const files::FileStamp* pSourceAsRead = nullptr,
           files::FileStamp* pWritten = nullptr);

// The same on file contents in memory. `targetName` picks the kind of a new
// OpenDocument package (text or presentation, document or template).
std::optional<Properties> ReadBytes(Format format, std::string_view bytes, std::string* error = nullptr);
std::optional<std::string> WriteBytes(Format format, std::string_view bytes, const Properties& properties,
                                      std::string_view targetName, std::string* error = nullptr);

} // namespace quillmark::docprops
