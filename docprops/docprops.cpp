#include "docprops/docprops.h"
#include "platform/errors/seterror.h"

#include "store/filesystemtags.h"

#include "docprops/formats.h"
#include "docprops/savecheck.h"
#include "docprops/savetarget.h"
#include "platform/files/files.h"
#include "platform/files/filesystem.h"
#include "platform/files/paths.h"
#include "platform/files/regularfile.h"
#include "platform/untrusted/zippackage.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <strings.h>

namespace quillmark::docprops {

namespace {

struct FieldName {
    const char* name;
    std::string Properties::*member;
};
const FieldName kFieldNames[] = {
    {"Title", &Properties::title},       {"Subject", &Properties::subject},   {"Author", &Properties::author},
    {"Keywords", &Properties::keywords}, {"Comments", &Properties::comments},
};

struct Extension {
    const char* ext;
    Format format;
    const char* mimeType; // OpenDocument only
};
const Extension kExtensions[] = {
    {"docx", Format::OfficeOpenXml, nullptr},
    {"docm", Format::OfficeOpenXml, nullptr},
    {"dotx", Format::OfficeOpenXml, nullptr},
    {"pptx", Format::OfficeOpenXml, nullptr},
    {"pptm", Format::OfficeOpenXml, nullptr},
    {"potx", Format::OfficeOpenXml, nullptr},
    {"odt", Format::OpenDocument, "application/vnd.oasis.opendocument.text"},
    {"ott", Format::OpenDocument, "application/vnd.oasis.opendocument.text-template"},
    {"odp", Format::OpenDocument, "application/vnd.oasis.opendocument.presentation"},
    {"otp", Format::OpenDocument, "application/vnd.oasis.opendocument.presentation-template"},
    {"doc", Format::Ole2, nullptr},
    {"dot", Format::Ole2, nullptr},
    {"ppt", Format::Ole2, nullptr},
    {"pot", Format::Ole2, nullptr},
};

const Extension* ExtensionOf(std::string_view path)
{
    const std::string name = files::NameOf(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return nullptr;
    const std::string ext = name.substr(dot + 1);
    for (const Extension& known : kExtensions)
        if (strcasecmp(known.ext, ext.c_str()) == 0) return &known;
    return nullptr;
}

} // namespace

std::string* Properties::Field(std::string_view name)
{
    return const_cast<std::string*>(static_cast<const Properties*>(this)->Field(name));
}

const std::string* Properties::Field(std::string_view name) const
{
    for (const FieldName& field : kFieldNames)
        if (name.size() == std::strlen(field.name) && strncasecmp(field.name, name.data(), name.size()) == 0)
            return &(this->*field.member);
    return nullptr;
}

Format FormatOf(std::string_view path)
{
    const Extension* ext = ExtensionOf(path);
    return ext ? ext->format : Format::Other;
}

const char* FormatName(Format format)
{
    switch (format) {
    case Format::OfficeOpenXml: return "an Office Open XML document";
    case Format::OpenDocument: return "an OpenDocument file";
    case Format::Ole2: return "an OLE2 compound document";
    case Format::Other: break;
    }
    return "a file without document properties";
}

namespace {

std::optional<Properties> ReadPackage(Format format, const ZipPackage& pkg, std::string* error)
{
    return format == Format::OfficeOpenXml ? ReadOoxml(pkg, error) : ReadOdf(pkg, error);
}

bool WritePackage(Format format, ZipPackage& pkg, bool bNew, const Properties& properties,
                  std::string_view targetName, std::string* error)
{
    if (format == Format::OfficeOpenXml) return WriteOoxml(pkg, bNew, properties, error);
    const Extension* ext = ExtensionOf(targetName);
    const std::string mimeType = ext && ext->mimeType ? ext->mimeType : kExtensions[6].mimeType;
    return WriteOdf(pkg, bNew, properties, mimeType, error);
}

bool IsZipFormat(Format format) { return format == Format::OfficeOpenXml || format == Format::OpenDocument; }

} // namespace

std::optional<Properties> ReadBytes(Format format, std::string_view bytes, std::string* error)
{
    if (IsZipFormat(format)) {
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenBytes(bytes, error);
        return pkg ? ReadPackage(format, *pkg, error) : std::nullopt;
    }
    switch (format) {
    case Format::OfficeOpenXml:
    case Format::OpenDocument: break;
    case Format::Ole2: return ReadOle2(bytes, error);
    case Format::Other: break;
    }
    SetError(error, "the file has no place for document properties");
    return std::nullopt;
}

std::optional<std::string> WriteBytes(Format format, std::string_view bytes, const Properties& properties,
                                      std::string_view targetName, std::string* error)
{
    if (IsZipFormat(format)) {
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenBytes(bytes, error);
        if (!pkg || !WritePackage(format, *pkg, bytes.empty(), properties, targetName, error)) return std::nullopt;
        return pkg->Finish(error);
    }
    switch (format) {
    case Format::OfficeOpenXml:
    case Format::OpenDocument: break;
    case Format::Ole2: return WriteOle2(bytes, properties, error);
    case Format::Other: break;
    }
    SetError(error, "the file has no place for document properties");
    return std::nullopt;
}

namespace {

// The whole content of the regular file `path` and its stamp as read.
std::optional<std::string> ReadDocument(const std::string& path, files::FileStamp& stamp, std::string* error)
{
    struct stat status {};
    const int fd = files::OpenRegularFile(path, error, &status);
    if (fd < 0) return std::nullopt;
    files::FileSystem& fs = files::FileSystem::Current();
    std::string content;
    content.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = fs.Read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetError(error, "cannot read \"" + path + "\": " + std::strerror(errno));
            fs.Close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    fs.Close(fd);
    stamp = StampOf(status);
    return content;
}

} // namespace

std::optional<Properties> Read(const std::string& path, std::string* error, files::FileStamp* pStamp)
{
    files::FileStamp stamp;
    const Format format = FormatOf(path);
    std::string why;
    std::optional<Properties> properties;
    if (IsZipFormat(format)) {
        // From the file itself: the central directory, then the one part. The stamp
        // is taken first, so that a later change of the file is never missed.
        stamp = files::GetFileStamp(path);
        bool bUnreadable = false;
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(path, &why, &bUnreadable);
        if (!pkg && bUnreadable) {
            SetError(error, why);
            return std::nullopt;
        }
        if (pkg) properties = ReadPackage(format, *pkg, &why);
    } else {
        std::optional<std::string> bytes = ReadDocument(path, stamp, error);
        if (!bytes) return std::nullopt;
        properties = ReadBytes(format, *bytes, &why);
    }
    if (!properties && format != Format::Other)
        SetError(error, "not " + std::string(FormatName(format)) + " as its name says, or a damaged one: " + why);
    else if (!properties)
        SetError(error, why);
    if (properties && pStamp) *pStamp = stamp;
    return properties;
}

namespace {

std::string ChangedSinceOpened(const std::string& source)
{
    return "\"" + source + "\" was changed by another program since it was opened; it is left as it is "
                           "(open it again to save into it)";
}

// The new file's content, made from the zip package `source` as it lies on disk: the
// property parts replaced, every other entry streamed from the original, and all of
// it read back and compared with the original before it may replace anything. The
// source must still be the one stamped when it is done.
SaveTarget::Producer ZipProducer(Format format, const std::string& source, const files::FileStamp& sourceStamp,
                                 const Properties& properties, const std::string& target)
{
    return [=, &properties](int fd, std::string* error) {
        std::string why;
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(source, &why);
        if (!pkg || !WritePackage(format, *pkg, false, properties, target, &why) || !pkg->FinishInto(fd, &why)) {
            SetError(error, "cannot write the properties into " + source + ": " + why);
            return false;
        }
        if (!ChangesOnlyZipEntries(format, source, fd, &why)) {
            SetError(error,
                     "cannot write the properties into " + source + ": " + why + "; the file is left as it was");
            return false;
        }
        if (!SameContent(files::GetFileStamp(source), sourceStamp)) {
            SetError(error, ChangedSinceOpened(source));
            return false;
        }
        return true;
    };
}

} // namespace

bool Write(const std::string& source, const std::string& target, const Properties& properties, std::string* error,
           const files::FileStamp* pSourceAsRead, files::FileStamp* pWritten)
{
    const Format format = FormatOf(target);
    // Where the bytes go, checked before any work: links followed, read-only refused.
    SaveTarget saveTarget;
    if (!saveTarget.Prepare(target, error)) return false;

    SaveTarget::Producer produce;
    files::FileStamp sourceStamp;
    if (!source.empty() && IsZipFormat(format)) {
        // A package is never read whole: libzip reads its directory and the property
        // parts, and the other entries go from the old file to the new one as stored.
        struct stat status {};
        const int fd = files::OpenRegularFile(source, error, &status);
        if (fd < 0) return false;
        files::FileSystem::Current().Close(fd);
        sourceStamp = StampOf(status);
        if (pSourceAsRead && !SameContent(sourceStamp, *pSourceAsRead)) {
            SetError(error, ChangedSinceOpened(source));
            return false;
        }
        // An empty file would open as a new, empty package; it is no file of any format.
        if (sourceStamp.size == 0) {
            SetError(error, "cannot write the properties into " + source + ": the file is empty, not " +
                                FormatName(format));
            return false;
        }
        produce = ZipProducer(format, source, sourceStamp, properties, target);
    } else {
        std::string bytes;
        if (!source.empty()) {
            std::optional<std::string> content = ReadDocument(source, sourceStamp, error);
            if (!content) return false;
            if (pSourceAsRead && !SameContent(sourceStamp, *pSourceAsRead)) {
                SetError(error, ChangedSinceOpened(source));
                return false;
            }
            bytes = std::move(*content);
            // Empty bytes would mean a new package; an empty file is no file of any format.
            if (bytes.empty()) {
                SetError(error, "cannot write the properties into " + source + ": the file is empty, not " +
                                    FormatName(format));
                return false;
            }
        }
        std::string why;
        std::optional<std::string> written = WriteBytes(format, bytes, properties, target, &why);
        if (!written) {
            if (format != Format::Other && !source.empty())
                SetError(error, "cannot write the properties into " + source + ": " + why);
            else
                SetError(error, "cannot write the properties: " + why);
            return false;
        }
        // Only the properties may change: every other part is read back from the new
        // bytes and compared with the original before anything is replaced.
        if (!source.empty() && !ChangesOnlyProperties(format, bytes, *written, &why)) {
            SetError(error, "cannot write the properties into " + source + ": " + why + "; the file is left as it was");
            return false;
        }
        produce = [content = std::move(*written)](int fd, std::string*) { return files::WriteAll(fd, content); };
    }
    // Writing over the file that was read: it must still be that file when it is replaced.
    const bool bIntoSource = !source.empty() && saveTarget.Exists() &&
                             saveTarget.Stamp().device == sourceStamp.device &&
                             saveTarget.Stamp().inode == sourceStamp.inode;
    // A new file gets the permissions of its source, else the usual ones.
    struct stat st {};
    unsigned mode = 0644;
    if (!source.empty() && ::stat(source.c_str(), &st) == 0) mode = st.st_mode & 07777;
    // The file-system tags attribute goes with the file, which a replacement would drop.
    const std::optional<std::string> fileTags = files::GetAttribute(target, fstags::kAttribute);
    if (!saveTarget.WriteWith(produce, mode, bIntoSource ? &sourceStamp : nullptr, error)) return false;
    if (fileTags) files::SetAttribute(target, fstags::kAttribute, fileTags);
    if (pWritten) *pWritten = saveTarget.Written();
    return true;
}

} // namespace quillmark::docprops
