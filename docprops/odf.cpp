// OpenDocument packages: meta.xml, one meta:keyword element per keyword; the
// `mimetype` entry stays first and stored.
#include "docprops/formats.h"
#include "platform/errors/seterror.h"
#include "docprops/xmlpart.h"
#include "store/tagtext.h"

#include <libxml/tree.h>

namespace quillmark::docprops {

namespace {

constexpr const char* kMetaPart = "meta.xml";
constexpr const char* kManifestPart = "META-INF/manifest.xml";
constexpr const char* kOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kMetaNs = "urn:oasis:names:tc:opendocument:xmlns:meta:1.0";
constexpr const char* kDcNs = "http://purl.org/dc/elements/1.1/";
constexpr const char* kManifestNs = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

constexpr const char* kNewMeta =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
    "office:version=\"1.3\"><office:meta/></office:document-meta>";

std::string NewManifest(const std::string& mimeType)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
           "manifest:version=\"1.3\"><manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.3\" "
           "manifest:media-type=\"" +
           mimeType + "\"/></manifest:manifest>";
}

// An OpenDocument package names its type in `mimetype` or has a manifest.
bool CheckPackage(const ZipPackage& pkg, std::string* error)
{
    if (pkg.Has("mimetype")) {
        std::optional<std::string> type = pkg.Read("mimetype", error, 4096);
        if (!type) return false;
        if (type->starts_with("application/vnd.oasis.opendocument.")) return true;
        SetError(error, "its mimetype entry names another kind of file (" + type->substr(0, 80) + ")");
        return false;
    }
    if (pkg.Has(kManifestPart)) return true;
    SetError(error, "it is a zip archive without mimetype or manifest, not an OpenDocument package");
    return false;
}

// office:meta inside a parsed meta.xml; nullptr (error set) when the part has none.
xmlNode* MetaElement(xmlDoc* pDoc, std::string* error)
{
    xmlNode* pRoot = xmlDocGetRootElement(pDoc);
    xmlNode* pMeta = IsElement(pRoot, kOfficeNs, "document-meta") ? FirstChildElement(pRoot, kOfficeNs, "meta") : nullptr;
    if (!pMeta && IsElement(pRoot, kOfficeNs, "document-meta"))
        pMeta = AppendElement(pRoot, kOfficeNs, "office", "meta");
    if (!pMeta) SetError(error, std::string(kMetaPart) + " holds no document metadata");
    return pMeta;
}

bool ReadText(xmlNode* pMeta, const char* ns, const char* name, const char* what, std::string& text,
              std::string* error)
{
    return ReadPropertyText(FirstChildElement(pMeta, ns, name), what, text, error);
}

// Lists meta.xml in the manifest when it is not listed yet; "" when nothing changes.
std::optional<std::string> ListMetaInManifest(const std::string& manifest, std::string* error)
{
    XmlDocPtr pDoc = ParseXml(manifest, kManifestPart, error);
    if (!pDoc) return std::nullopt;
    xmlNode* pRoot = xmlDocGetRootElement(pDoc.get());
    for (xmlNode* pEntry : ChildElements(pRoot, kManifestNs, "file-entry")) {
        xmlChar* pPath = xmlGetNsProp(pEntry, X("full-path"), X(kManifestNs));
        const bool bMeta = pPath && xmlStrEqual(pPath, X(kMetaPart));
        xmlFree(pPath);
        if (bMeta) return std::string();
    }
    xmlNode* pEntry = AppendElement(pRoot, kManifestNs, "manifest", "file-entry");
    xmlNs* pNs = pEntry->ns;
    xmlNewNsProp(pEntry, pNs, X("full-path"), X(kMetaPart));
    xmlNewNsProp(pEntry, pNs, X("media-type"), X("text/xml"));
    return DumpXml(pDoc.get());
}

// Reads each property of office:meta; false (error set) when one is too long.
bool ReadMetaText(xmlNode* pMeta, Properties& properties, std::string* error)
{
    if (!ReadText(pMeta, kDcNs, "title", "Title", properties.title, error) ||
        !ReadText(pMeta, kDcNs, "subject", "Subject", properties.subject, error) ||
        !ReadText(pMeta, kDcNs, "description", "Comments", properties.comments, error))
        return false;
    // The last editor, else the first author.
    const bool bCreator = FirstChildElement(pMeta, kDcNs, "creator") != nullptr;
    if (!ReadText(pMeta, bCreator ? kDcNs : kMetaNs, bCreator ? "creator" : "initial-creator", "Author",
                  properties.author, error))
        return false;
    TagList keywords;
    std::size_t total = 0;
    for (xmlNode* pKeyword : ChildElements(pMeta, kMetaNs, "keyword")) {
        std::string text;
        if (!ReadPropertyText(pKeyword, "Keywords", text, error)) return false;
        std::string keyword = TrimTag(text);
        total += keyword.size() + 2;
        if (total > kMaxPropertyBytes) {
            SetError(error, "its Keywords property is longer than " + std::to_string(kMaxPropertyBytes / 1024) +
                                " KB, more than this program reads");
            return false;
        }
        if (!keyword.empty()) keywords.push_back(std::move(keyword));
    }
    properties.keywords = JoinTags(keywords);
    return true;
}

} // namespace

std::optional<Properties> ReadOdf(const ZipPackage& package, std::string* error)
{
    const ZipPackage* pkg = &package;
    if (!CheckPackage(*pkg, error)) return std::nullopt;
    Properties properties;
    if (!pkg->Has(kMetaPart)) return properties;
    std::optional<std::string> meta = pkg->Read(kMetaPart, error);
    if (!meta) return std::nullopt;
    XmlDocPtr pDoc = ParseXml(*meta, kMetaPart, error);
    if (!pDoc) return std::nullopt;
    xmlNode* pMeta = MetaElement(pDoc.get(), error);
    if (!pMeta) return std::nullopt;
    if (!ReadMetaText(pMeta, properties, error)) return std::nullopt;
    return properties;
}

bool WriteOdf(ZipPackage& package, bool bNew, const Properties& properties, const std::string& mimeType,
              std::string* error)
{
    if (!CheckXmlValues(properties, error)) return false;
    ZipPackage* pkg = &package;
    if (bNew) {
        // The type first and stored, so that it can be read at a fixed offset.
        if (!pkg->Put("mimetype", mimeType, false, error) ||
            !pkg->Put(kManifestPart, NewManifest(mimeType), true, error))
            return false;
    } else if (!CheckPackage(*pkg, error)) {
        return false;
    }

    std::string meta = kNewMeta;
    if (pkg->Has(kMetaPart)) {
        std::optional<std::string> existing = pkg->Read(kMetaPart, error);
        if (!existing) return false;
        meta = std::move(*existing);
    } else if (pkg->Has(kManifestPart)) {
        std::optional<std::string> manifest = pkg->Read(kManifestPart, error);
        if (!manifest) return false;
        std::optional<std::string> listed = ListMetaInManifest(*manifest, error);
        if (!listed) return false;
        if (!listed->empty() && !pkg->Put(kManifestPart, *listed, true, error)) return false;
    }
    XmlDocPtr pDoc = ParseXml(meta, kMetaPart, error);
    if (!pDoc) return false;
    xmlNode* pMeta = MetaElement(pDoc.get(), error);
    if (!pMeta) return false;

    // A property this program cannot read whole is never overwritten with less.
    if (Properties existing; !ReadMetaText(pMeta, existing, error)) return false;
    SetOrRemoveElement(pMeta, kDcNs, "dc", "title", properties.title);
    SetOrRemoveElement(pMeta, kDcNs, "dc", "subject", properties.subject);
    SetOrRemoveElement(pMeta, kDcNs, "dc", "description", properties.comments);
    // An empty Author stays as an empty dc:creator, so the first author does not come back.
    xmlNode* pCreator = FirstChildElement(pMeta, kDcNs, "creator");
    if (!pCreator && (!properties.author.empty() || FirstChildElement(pMeta, kMetaNs, "initial-creator")))
        pCreator = AppendElement(pMeta, kDcNs, "dc", "creator");
    if (pCreator) SetText(pCreator, properties.author);

    // One element per keyword, where the first one stood.
    std::vector<xmlNode*> old = ChildElements(pMeta, kMetaNs, "keyword");
    xmlNode* pAnchor = old.empty() ? nullptr : old.front();
    for (xmlNode* pKeyword : old)
        if (pKeyword != pAnchor) RemoveNode(pKeyword);
    for (const std::string& keyword : SplitTags(properties.keywords)) {
        xmlNode* pKeyword = AppendElement(pMeta, kMetaNs, "meta", "keyword");
        SetText(pKeyword, keyword);
        if (pAnchor) {
            xmlUnlinkNode(pKeyword);
            xmlAddPrevSibling(pAnchor, pKeyword);
        }
    }
    if (pAnchor) RemoveNode(pAnchor);
    return pkg->Put(kMetaPart, DumpXml(pDoc.get()), true, error);
}

} // namespace quillmark::docprops
