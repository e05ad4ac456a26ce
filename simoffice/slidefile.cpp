#include "simoffice/slidefile.h"
#include "platform/files/filesystem.h"
#include "platform/files/regularfile.h"

#include "platform/registry/regmodel.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <map>
#include <memory>

namespace quillmark::simoffice {

namespace {

void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

constexpr const char* kPresentationNs = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr const char* kDrawingNs = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr const char* kRelationshipNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kOdfOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kOdfDrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr const char* kOdfPresentationNs = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0";
constexpr const char* kOdfTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

// A part larger than this is not a slide list anyone wrote by hand or by program.
constexpr zip_uint64_t kMaxPartSize = 64u << 20;

struct ZipCloser {
    void operator()(zip_t* p) const { zip_discard(p); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;
struct DocFreer {
    void operator()(xmlDoc* p) const { xmlFreeDoc(p); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, DocFreer>;

bool Is(const xmlNode* node, const char* ns, const char* name)
{
    return node && node->type == XML_ELEMENT_NODE && node->ns && xmlStrEqual(node->ns->href, BAD_CAST ns) &&
           xmlStrEqual(node->name, BAD_CAST name);
}

const xmlNode* Child(const xmlNode* parent, const char* ns, const char* name)
{
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
        if (Is(c, ns, name)) return c;
    return nullptr;
}

std::string Attribute(const xmlNode* node, const char* ns, const char* name)
{
    xmlChar* value = ns ? xmlGetNsProp(node, BAD_CAST name, BAD_CAST ns) : xmlGetProp(node, BAD_CAST name);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// Text of the elements `ns`:`name` below `node`, paragraphs (`paraNs`:`para`) joined by a blank.
void CollectText(const xmlNode* node, const char* ns, const char* name, const char* paraNs, const char* para,
                 std::string& out)
{
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (Is(c, paraNs, para) && !out.empty() && out.back() != ' ') out += ' ';
        if (Is(c, ns, name)) {
            xmlChar* text = xmlNodeGetContent(c);
            if (text) out += reinterpret_cast<const char*>(text);
            xmlFree(text);
        } else {
            CollectText(c, ns, name, paraNs, para, out);
        }
    }
}

std::string Trimmed(std::string text)
{
    for (char& ch : text)
        if (ch == '\n' || ch == '\r' || ch == '\t' || ch == '\v') ch = ' ';
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

class Package {
public:
    bool Open(const std::string& path, std::string* error)
    {
        int code = 0;
        // Only a regular file, opened without blocking; libzip takes the descriptor.
        std::string openError;
        const int fd = files::OpenRegularFile(path, &openError);
        if (fd < 0) {
            SetError(error, openError);
            return false;
        }
        m_pZip.reset(zip_fdopen(fd, ZIP_RDONLY, &code));
        if (!m_pZip) {
            files::FileSystem::Current().Close(fd);
            zip_error_t zerr;
            zip_error_init_with_code(&zerr, code);
            SetError(error, path + " is not a readable zip package: " + zip_error_strerror(&zerr));
            zip_error_fini(&zerr);
            return false;
        }
        m_strPath = path;
        return true;
    }

    // The part `name` parsed; null (with `error`) when missing or not XML.
    XmlDocPtr Xml(const std::string& name, std::string* error)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(m_pZip.get(), name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
            SetError(error, m_strPath + " has no " + name);
            return nullptr;
        }
        if (st.size > kMaxPartSize) {
            SetError(error, m_strPath + ": " + name + " is too large");
            return nullptr;
        }
        std::string bytes(static_cast<size_t>(st.size), '\0');
        zip_file_t* file = zip_fopen(m_pZip.get(), name.c_str(), 0);
        zip_int64_t got = file ? zip_fread(file, bytes.data(), st.size) : -1;
        if (file) zip_fclose(file);
        if (got < 0 || static_cast<zip_uint64_t>(got) != st.size) {
            SetError(error, m_strPath + ": cannot read " + name);
            return nullptr;
        }
        XmlDocPtr doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), name.c_str(), nullptr,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
        if (!doc) SetError(error, m_strPath + ": " + name + " is not well-formed XML");
        return doc;
    }

private:
    ZipPtr m_pZip;
    std::string m_strPath;
};

// The title placeholder's text of one slide part (p:sld).
std::string OoxmlSlideTitle(const xmlNode* slide)
{
    const xmlNode* tree = Child(Child(slide, kPresentationNs, "cSld"), kPresentationNs, "spTree");
    for (const xmlNode* sp = tree ? tree->children : nullptr; sp; sp = sp->next) {
        if (!Is(sp, kPresentationNs, "sp")) continue;
        const xmlNode* ph = Child(Child(Child(sp, kPresentationNs, "nvSpPr"), kPresentationNs, "nvPr"),
                                  kPresentationNs, "ph");
        if (!ph) continue;
        std::string type = Attribute(ph, nullptr, "type");
        if (type != "title" && type != "ctrTitle") continue;
        std::string text;
        if (const xmlNode* body = Child(sp, kPresentationNs, "txBody"))
            CollectText(body, kDrawingNs, "t", kDrawingNs, "p", text);
        return Trimmed(text);
    }
    return {};
}

// "ppt/slides/../media/x" style targets resolved against the folder "ppt/".
std::string ResolvePart(const std::string& folder, const std::string& target)
{
    if (!target.empty() && target[0] == '/') return target.substr(1);
    std::vector<std::string> parts;
    std::string all = folder + target;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('/', start);
        if (end == std::string::npos) end = all.size();
        std::string part = all.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::optional<std::vector<std::string>> ReadOoxml(const std::string& path, std::string* error)
{
    Package package;
    if (!package.Open(path, error)) return std::nullopt;
    XmlDocPtr presentation = package.Xml("ppt/presentation.xml", error);
    if (!presentation) return std::nullopt;
    const xmlNode* root = xmlDocGetRootElement(presentation.get());
    if (!Is(root, kPresentationNs, "presentation")) {
        SetError(error, path + ": ppt/presentation.xml is not a presentation");
        return std::nullopt;
    }
    // Relationship id -> slide part; a missing relationships part leaves titles empty.
    std::map<std::string, std::string> targets;
    if (XmlDocPtr rels = package.Xml("ppt/_rels/presentation.xml.rels", nullptr)) {
        for (const xmlNode* r = xmlDocGetRootElement(rels.get())->children; r; r = r->next)
            if (Is(r, kPackageRelsNs, "Relationship"))
                targets[Attribute(r, nullptr, "Id")] = ResolvePart("ppt/", Attribute(r, nullptr, "Target"));
    }
    std::vector<std::string> titles;
    const xmlNode* list = Child(root, kPresentationNs, "sldIdLst");
    for (const xmlNode* id = list ? list->children : nullptr; id; id = id->next) {
        if (!Is(id, kPresentationNs, "sldId")) continue;
        std::string title;
        auto it = targets.find(Attribute(id, kRelationshipNs, "id"));
        if (it != targets.end())
            if (XmlDocPtr slide = package.Xml(it->second, nullptr))
                title = OoxmlSlideTitle(xmlDocGetRootElement(slide.get()));
        titles.push_back(std::move(title));
    }
    return titles;
}

std::optional<std::vector<std::string>> ReadOpenDocument(const std::string& path, std::string* error)
{
    Package package;
    if (!package.Open(path, error)) return std::nullopt;
    XmlDocPtr content = package.Xml("content.xml", error);
    if (!content) return std::nullopt;
    const xmlNode* presentation =
        Child(Child(xmlDocGetRootElement(content.get()), kOdfOfficeNs, "body"), kOdfOfficeNs, "presentation");
    if (!presentation) {
        SetError(error, path + ": content.xml holds no presentation");
        return std::nullopt;
    }
    std::vector<std::string> titles;
    for (const xmlNode* page = presentation->children; page; page = page->next) {
        if (!Is(page, kOdfDrawNs, "page")) continue;
        std::string title;
        for (const xmlNode* frame = page->children; frame; frame = frame->next) {
            if (Is(frame, kOdfDrawNs, "frame") && Attribute(frame, kOdfPresentationNs, "class") == "title") {
                CollectText(frame, kOdfTextNs, "p", kOdfTextNs, "p", title);
                break;
            }
        }
        titles.push_back(Trimmed(title));
    }
    return titles;
}

bool EndsWithNoCase(const std::string& path, std::string_view suffix)
{
    return path.size() >= suffix.size() &&
           registry::EqualNoCase(std::string_view(path).substr(path.size() - suffix.size()), suffix);
}

} // namespace

SlideFileKind SlideFileKindOf(const std::string& path)
{
    for (const char* ext : {".pptx", ".pptm", ".potx", ".potm", ".ppsx", ".ppsm"})
        if (EndsWithNoCase(path, ext)) return SlideFileKind::OfficeOpenXml;
    for (const char* ext : {".odp", ".otp"})
        if (EndsWithNoCase(path, ext)) return SlideFileKind::OpenDocument;
    for (const char* ext : {".ppt", ".pot", ".pps"})
        if (EndsWithNoCase(path, ext)) return SlideFileKind::Ole2;
    return SlideFileKind::None;
}

std::optional<std::vector<std::string>> ReadSlideTitles(const std::string& path, std::string* error)
{
    switch (SlideFileKindOf(path)) {
    case SlideFileKind::OfficeOpenXml: return ReadOoxml(path, error);
    case SlideFileKind::OpenDocument: return ReadOpenDocument(path, error);
    case SlideFileKind::Ole2: return detail::ReadOle2SlideTitles(path, error);
    case SlideFileKind::None: break;
    }
    SetError(error, path + " is not a presentation format the host reads");
    return std::nullopt;
}

} // namespace quillmark::simoffice
