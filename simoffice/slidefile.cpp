#include "simoffice/slidefile.h"
#include "platform/errors/seterror.h"


#include "platform/registry/regmodel.h"
#include "platform/untrusted/partname.h"
#include "platform/untrusted/safexml.h"
#include "platform/untrusted/zippackage.h"
#include "simoffice/simdocument.h"

#include <libxml/tree.h>

#include <map>
#include <memory>

namespace quillmark::simoffice {

namespace {

using untrusted::Attribute;
using untrusted::FirstChildElement;
using untrusted::IsElement;
using untrusted::XmlDocPtr;
using untrusted::ZipPackage;

constexpr const char* kPresentationNs = "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr const char* kDrawingNs = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr const char* kRelationshipNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kOdfOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kOdfDrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr const char* kOdfPresentationNs = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0";
constexpr const char* kOdfTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

constexpr const char* kPresentationPart = "ppt/presentation.xml";
// A part larger than this is not a slide anyone wrote by hand or by program.
constexpr std::size_t kMaxPartSize = 32u << 20;
// What the slide parts of one file may inflate to in all; slides past it keep no title.
constexpr std::size_t kMaxSlideBytes = 256u << 20;

// Text of the elements `ns`:`name` below `node`, paragraphs (`paraNs`:`para`) joined
// by a blank; stops once `out` holds more than a title may.
void CollectText(const xmlNode* node, const char* ns, const char* name, const char* paraNs, const char* para,
                 std::string& out)
{
    for (const xmlNode* c = node->children; c && out.size() <= kMaxTitleBytes; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        if (IsElement(c, paraNs, para) && !out.empty() && out.back() != ' ') out += ' ';
        if (IsElement(c, ns, name))
            out += untrusted::TextOf(c, kMaxTitleBytes + 1 - out.size());
        else
            CollectText(c, ns, name, paraNs, para, out);
    }
}

// A zip package opened from its file, with its parts parsed through the safe parser.
class Package {
public:
    bool Open(const std::string& path, std::string* error)
    {
        std::string why;
        m_pZip = ZipPackage::OpenFile(path, &why);
        if (!m_pZip) {
            SetError(error, path + " is not a readable zip package: " + why);
            return false;
        }
        m_strPath = path;
        return true;
    }

    // The part `name` parsed; null (with `error`) when missing, too large or not XML.
    XmlDocPtr Xml(const std::string& name, std::string* error, std::size_t* pInflated = nullptr)
    {
        std::string why;
        std::optional<std::string> stored = m_pZip->FindNoCase(name);
        if (!stored) {
            SetError(error, m_strPath + " has no " + name);
            return nullptr;
        }
        std::optional<std::string> bytes = m_pZip->Read(*stored, &why, kMaxPartSize);
        if (!bytes) {
            SetError(error, m_strPath + ": " + why);
            return nullptr;
        }
        if (pInflated) *pInflated += bytes->size();
        XmlDocPtr doc = untrusted::ParseXml(*bytes, name, &why, kMaxPartSize);
        if (!doc) SetError(error, m_strPath + ": " + why);
        return doc;
    }

private:
    std::unique_ptr<ZipPackage> m_pZip;
    std::string m_strPath;
};

// The title placeholder's text of one slide part (p:sld).
std::string OoxmlSlideTitle(const xmlNode* slide)
{
    const xmlNode* tree = FirstChildElement(FirstChildElement(slide, kPresentationNs, "cSld"), kPresentationNs, "spTree");
    for (const xmlNode* sp = tree ? tree->children : nullptr; sp; sp = sp->next) {
        if (!IsElement(sp, kPresentationNs, "sp")) continue;
        const xmlNode* ph = FirstChildElement(
            FirstChildElement(FirstChildElement(sp, kPresentationNs, "nvSpPr"), kPresentationNs, "nvPr"),
            kPresentationNs, "ph");
        if (!ph) continue;
        std::string type = Attribute(ph, "type");
        if (type != "title" && type != "ctrTitle") continue;
        std::string text;
        if (const xmlNode* body = FirstChildElement(sp, kPresentationNs, "txBody"))
            CollectText(body, kDrawingNs, "t", kDrawingNs, "p", text);
        return detail::CleanTitle(std::move(text));
    }
    return {};
}

std::optional<std::vector<std::string>> ReadOoxml(const std::string& path, std::string* error)
{
    Package package;
    if (!package.Open(path, error)) return std::nullopt;
    XmlDocPtr presentation = package.Xml(kPresentationPart, error);
    if (!presentation) return std::nullopt;
    const xmlNode* root = xmlDocGetRootElement(presentation.get());
    if (!IsElement(root, kPresentationNs, "presentation")) {
        SetError(error, path + ": ppt/presentation.xml is not a presentation");
        return std::nullopt;
    }
    // Relationship id -> slide part; a missing relationships part leaves titles
    // empty, and so does a target outside the package.
    std::map<std::string, std::string> targets;
    if (XmlDocPtr rels = package.Xml("ppt/_rels/presentation.xml.rels", nullptr)) {
        for (const xmlNode* r = xmlDocGetRootElement(rels.get())->children; r; r = r->next) {
            if (!IsElement(r, kPackageRelsNs, "Relationship") || Attribute(r, "TargetMode") == "External") continue;
            if (auto part = untrusted::ResolvePartName(kPresentationPart, Attribute(r, "Target"), nullptr))
                targets[Attribute(r, "Id")] = std::move(*part);
        }
    }
    const xmlNode* list = FirstChildElement(root, kPresentationNs, "sldIdLst");
    std::size_t count = 0;
    for (const xmlNode* id = list ? list->children : nullptr; id; id = id->next)
        if (IsElement(id, kPresentationNs, "sldId") && ++count > SimDocument::kMaxSlides) {
            SetError(error, detail::TooManySlides(path, count));
            return std::nullopt;
        }
    // Each slide part is read and parsed once, however many ids name it.
    std::map<std::string, std::string> titleOfPart;
    std::size_t inflated = 0;
    std::vector<std::string> titles;
    titles.reserve(count);
    for (const xmlNode* id = list ? list->children : nullptr; id; id = id->next) {
        if (!IsElement(id, kPresentationNs, "sldId")) continue;
        std::string title;
        auto it = targets.find(Attribute(id, "id", kRelationshipNs));
        if (it != targets.end()) {
            auto [known, bNew] = titleOfPart.try_emplace(it->second);
            if (bNew && inflated <= kMaxSlideBytes)
                if (XmlDocPtr slide = package.Xml(it->second, nullptr, &inflated))
                    known->second = OoxmlSlideTitle(xmlDocGetRootElement(slide.get()));
            title = known->second;
        }
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
    const xmlNode* presentation = FirstChildElement(
        FirstChildElement(xmlDocGetRootElement(content.get()), kOdfOfficeNs, "body"), kOdfOfficeNs, "presentation");
    if (!presentation) {
        SetError(error, path + ": content.xml holds no presentation");
        return std::nullopt;
    }
    std::vector<std::string> titles;
    for (const xmlNode* page = presentation->children; page; page = page->next) {
        if (!IsElement(page, kOdfDrawNs, "page")) continue;
        if (titles.size() == SimDocument::kMaxSlides) {
            SetError(error, detail::TooManySlides(path, titles.size() + 1));
            return std::nullopt;
        }
        std::string title;
        for (const xmlNode* frame = page->children; frame; frame = frame->next) {
            if (IsElement(frame, kOdfDrawNs, "frame") && Attribute(frame, "class", kOdfPresentationNs) == "title") {
                CollectText(frame, kOdfTextNs, "p", kOdfTextNs, "p", title);
                break;
            }
        }
        titles.push_back(detail::CleanTitle(std::move(title)));
    }
    return titles;
}

bool EndsWithNoCase(const std::string& path, std::string_view suffix)
{
    return path.size() >= suffix.size() &&
           registry::EqualNoCase(std::string_view(path).substr(path.size() - suffix.size()), suffix);
}

} // namespace

namespace detail {

std::string CleanTitle(std::string text)
{
    for (char& ch : text)
        if (ch == '\n' || ch == '\r' || ch == '\t' || ch == '\v') ch = ' ';
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.size() > kMaxTitleBytes) {
        std::size_t at = kMaxTitleBytes;
        while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
        text.resize(at);
    }
    return text;
}

std::string TooManySlides(const std::string& path, std::size_t count)
{
    return path + " lists " + (count > SimDocument::kMaxSlides ? "more than " : "") +
           std::to_string(SimDocument::kMaxSlides) + " slides, more than a presentation holds";
}

std::optional<std::vector<std::string>> ReadSlideTitlesOfKind(SlideFileKind kind, const std::string& path,
                                                              std::string* error)
{
    switch (kind) {
    case SlideFileKind::OfficeOpenXml: return ReadOoxml(path, error);
    case SlideFileKind::OpenDocument: return ReadOpenDocument(path, error);
    case SlideFileKind::Ole2: return ReadOle2SlideTitles(path, error);
    case SlideFileKind::None: break;
    }
    SetError(error, path + " is not a presentation format the host reads");
    return std::nullopt;
}

} // namespace detail

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
    return detail::ReadSlideTitlesOfKind(SlideFileKindOf(path), path, error);
}

} // namespace quillmark::simoffice
