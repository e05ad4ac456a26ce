#include "docprops/docprops.h"

#include "docprops/formats.h"
#include "docprops/savecheck.h"
#include "platform/files/files.h"
#include "platform/untrusted/zippackage.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <strings.h>

namespace quillmark::docprops {

namespace {

void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

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
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string ext(name.substr(dot + 1));
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

std::optional<Properties> Read(const std::string& path, std::string* error)
{
    const Format format = FormatOf(path);
    std::string why;
    std::optional<Properties> properties;
    if (IsZipFormat(format)) {
        // From the file itself: the central directory, then the one part.
        bool bUnreadable = false;
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(path, &why, &bUnreadable);
        if (!pkg && bUnreadable) {
            SetError(error, why);
            return std::nullopt;
        }
        if (pkg) properties = ReadPackage(format, *pkg, &why);
    } else {
        std::string readError;
        std::optional<std::string> bytes = files::ReadFile(path, &readError);
        if (!bytes) {
            SetError(error, readError);
            return std::nullopt;
        }
        properties = ReadBytes(format, *bytes, &why);
    }
    if (!properties && format != Format::Other)
        SetError(error, "not " + std::string(FormatName(format)) + " as its name says, or a damaged one: " + why);
    else if (!properties)
        SetError(error, why);
    return properties;
}

bool Write(const std::string& source, const std::string& target, const Properties& properties, std::string* error)
{
    const Format format = FormatOf(target);
    // The replaced file keeps its permissions; a new one gets the usual ones.
    struct stat st;
    unsigned mode = 0644;
    if (::stat(target.c_str(), &st) == 0 || (!source.empty() && ::stat(source.c_str(), &st) == 0))
        mode = st.st_mode & 07777;
    auto fail = [&](const std::string& why) {
        if (format != Format::Other && !source.empty())
            SetError(error, "cannot write the properties into " + source + ": " + why);
        else
            SetError(error, "cannot write the properties: " + why);
        return false;
    };

    if (IsZipFormat(format) && !source.empty()) {
        // Streamed: the parts that change are built in memory, every other entry is
        // copied from the source file into the new one as stored.
        std::string why;
        bool bUnreadable = false;
        std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenFile(source, &why, &bUnreadable);
        if (!pkg && bUnreadable) {
            SetError(error, why);
            return false;
        }
        if (!pkg && files::GetFileStamp(source).size == 0)
            return fail(std::string("the file is empty, not ") + FormatName(format));
        if (!pkg) return fail(why);
        if (!WritePackage(format, *pkg, false, properties, target, &why)) return fail(why);
        std::string writeError;
        const bool bWritten = files::AtomicReplace(
            target,
            [&](int fd) {
                // Only the properties may change: the new file is read back and
                // compared with the original before it replaces anything.
                std::string checkError;
                if (pkg->FinishInto(fd, &writeError) && ChangesOnlyZipEntries(format, source, fd, &checkError))
                    return true;
                if (writeError.empty()) writeError = checkError + "; the file is left as it was";
                errno = EIO;
                return false;
            },
            mode, error);
        if (!bWritten && !writeError.empty()) return fail(writeError);
        return bWritten;
    }

    std::string bytes;
    if (!source.empty()) {
        std::string readError;
        std::optional<std::string> content = files::ReadFile(source, &readError);
        if (!content) {
            SetError(error, readError);
            return false;
        }
        bytes = std::move(*content);
        // Empty bytes would mean a new package; an empty file is no file of any format.
        if (bytes.empty()) return fail(std::string("the file is empty, not ") + FormatName(format));
    }
    std::string why;
    std::optional<std::string> written = WriteBytes(format, bytes, properties, target, &why);
    if (!written) return fail(why);
    // Only the properties may change: every other part is read back from the new
    // bytes and compared with the original before anything is replaced.
    if (!source.empty() && !ChangesOnlyProperties(format, bytes, *written, &why))
        return fail(why + "; the file is left as it was");
    return files::AtomicReplace(target, *written, mode, error);
}

} // namespace quillmark::docprops
