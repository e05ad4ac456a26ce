// Office Open XML packages: the core properties part, found through the package
// relationships, with its relationship and content type added when missing.
#include "docprops/formats.h"
#include "docprops/xmlpart.h"
#include "docprops/zippackage.h"

#include <libxml/tree.h>

#include <set>
#include <strings.h>

namespace quillmark::docprops {

namespace {

constexpr const char* kContentTypesPart = "[Content_Types].xml";
constexpr const char* kRelsPart = "_rels/.rels";
constexpr const char* kDefaultCorePart = "docProps/core.xml";
constexpr const char* kCoreRelType =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
constexpr const char* kCoreContentType = "application/vnd.openxmlformats-package.core-properties+xml";
constexpr const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kTypesNs = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr const char* kCpNs = "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
constexpr const char* kDcNs = "http://purl.org/dc/elements/1.1/";

constexpr const char* kNewCore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"></cp:coreProperties>";
constexpr const char* kNewRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"></Relationships>";
constexpr const char* kNewTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

std::string Attribute(xmlNode* pNode, const char* name)
{
    xmlChar* pValue = xmlGetProp(pNode, X(name));
    std::string value = pValue ? reinterpret_cast<const char*>(pValue) : "";
    xmlFree(pValue);
    return value;
}

// The core properties relationship of the package relationships; nullptr when none.
xmlNode* CoreRelationship(xmlDoc* pRels)
{
    for (xmlNode* pRel : ChildElements(xmlDocGetRootElement(pRels), kRelsNs, "Relationship"))
        if (Attribute(pRel, "Type") == kCoreRelType) return pRel;
    return nullptr;
}

// A relationship target is relative to the package root here; "/x" names the same part.
std::string PartName(std::string target)
{
    while (!target.empty() && target.front() == '/') target.erase(0, 1);
    return target;
}

// The package's relationships and the name of its core properties part ("" when it has none).
struct CoreLocation {
    XmlDocPtr pRels;
    std::string part;
};

std::optional<CoreLocation> LocateCore(const ZipPackage& pkg, std::string* error)
{
    if (!pkg.Has(kContentTypesPart)) {
        SetError(error, "it is a zip archive without [Content_Types].xml, not an Office Open XML package");
        return std::nullopt;
    }
    CoreLocation location;
    if (!pkg.Has(kRelsPart)) return location;
    std::optional<std::string> rels = pkg.Read(kRelsPart, error);
    if (!rels) return std::nullopt;
    location.pRels = ParseXml(*rels, kRelsPart, error);
    if (!location.pRels) return std::nullopt;
    if (xmlNode* pRel = CoreRelationship(location.pRels.get())) location.part = PartName(Attribute(pRel, "Target"));
    return location;
}

std::string Text(xmlNode* pRoot, const char* ns, const char* name)
{
    xmlNode* pNode = FirstChildElement(pRoot, ns, name);
    return pNode ? TextOf(pNode) : std::string();
}

// Adds the core part's relationship to the package relationships.
std::string AddCoreRelationship(xmlDoc* pRels, const std::string& part)
{
    xmlNode* pRoot = xmlDocGetRootElement(pRels);
    std::set<std::string> ids;
    for (xmlNode* pRel : ChildElements(pRoot, kRelsNs, "Relationship")) ids.insert(Attribute(pRel, "Id"));
    std::string id;
    for (int n = 1; id.empty() || ids.count(id); ++n) id = "rIdCore" + std::to_string(n);
    xmlNode* pRel = AppendElement(pRoot, kRelsNs, "r", "Relationship");
    xmlNewProp(pRel, X("Id"), X(id.c_str()));
    xmlNewProp(pRel, X("Type"), X(kCoreRelType));
    xmlNewProp(pRel, X("Target"), X(part.c_str()));
    return DumpXml(pRels);
}

// Adds an override with the core properties content type for `part` unless there is one.
std::optional<std::string> AddCoreContentType(const std::string& types, const std::string& part, std::string* error)
{
    XmlDocPtr pTypes = ParseXml(types, kContentTypesPart, error);
    if (!pTypes) return std::nullopt;
    xmlNode* pRoot = xmlDocGetRootElement(pTypes.get());
    const std::string partName = "/" + part;
    for (xmlNode* pOverride : ChildElements(pRoot, kTypesNs, "Override"))
        if (strcasecmp(Attribute(pOverride, "PartName").c_str(), partName.c_str()) == 0) return std::string();
    xmlNode* pOverride = AppendElement(pRoot, kTypesNs, "t", "Override");
    xmlNewProp(pOverride, X("PartName"), X(partName.c_str()));
    xmlNewProp(pOverride, X("ContentType"), X(kCoreContentType));
    return DumpXml(pTypes.get());
}

} // namespace

std::optional<std::string> OoxmlCorePart(std::string_view bytes, std::string* error)
{
    std::unique_ptr<ZipPackage> pkg = ZipPackage::Open(bytes, error);
    if (!pkg) return std::nullopt;
    std::optional<CoreLocation> location = LocateCore(*pkg, error);
    if (!location) return std::nullopt;
    return location->part;
}

std::optional<Properties> ReadOoxml(std::string_view bytes, std::string* error)
{
    std::unique_ptr<ZipPackage> pkg = ZipPackage::Open(bytes, error);
    if (!pkg) return std::nullopt;
    std::optional<CoreLocation> location = LocateCore(*pkg, error);
    if (!location) return std::nullopt;
    Properties properties;
    if (location->part.empty() || !pkg->Has(location->part)) return properties; // no core properties yet
    std::optional<std::string> core = pkg->Read(location->part, error);
    if (!core) return std::nullopt;
    XmlDocPtr pCore = ParseXml(*core, location->part, error);
    if (!pCore) return std::nullopt;
    xmlNode* pRoot = xmlDocGetRootElement(pCore.get());
    if (!IsElement(pRoot, kCpNs, "coreProperties")) {
        SetError(error, location->part + " holds no core properties");
        return std::nullopt;
    }
    properties.title = Text(pRoot, kDcNs, "title");
    properties.subject = Text(pRoot, kDcNs, "subject");
    properties.author = Text(pRoot, kDcNs, "creator");
    properties.keywords = Text(pRoot, kCpNs, "keywords");
    properties.comments = Text(pRoot, kDcNs, "description");
    return properties;
}

std::optional<std::string> WriteOoxml(std::string_view bytes, const Properties& properties, std::string* error)
{
    if (!CheckXmlValues(properties, error)) return std::nullopt;
    const bool bNew = bytes.empty();
    std::unique_ptr<ZipPackage> pkg = ZipPackage::Open(bytes, error);
    if (!pkg) return std::nullopt;
    if (bNew && !pkg->Put(kContentTypesPart, kNewTypes, true, error)) return std::nullopt;
    std::optional<CoreLocation> location = LocateCore(*pkg, error);
    if (!location) return std::nullopt;

    std::string part = location->part;
    if (part.empty()) {
        // No core properties part yet: add it with its relationship.
        part = kDefaultCorePart;
        if (!location->pRels) location->pRels = ParseXml(kNewRels, kRelsPart, error);
        if (!pkg->Put(kRelsPart, AddCoreRelationship(location->pRels.get(), part), true, error)) return std::nullopt;
    }
    std::optional<std::string> types = pkg->Read(kContentTypesPart, error);
    if (!types) return std::nullopt;
    std::optional<std::string> newTypes = AddCoreContentType(*types, part, error);
    if (!newTypes) return std::nullopt;
    if (!newTypes->empty() && !pkg->Put(kContentTypesPart, *newTypes, true, error)) return std::nullopt;

    std::string core = kNewCore;
    if (pkg->Has(part)) {
        std::optional<std::string> existing = pkg->Read(part, error);
        if (!existing) return std::nullopt;
        core = std::move(*existing);
    }
    XmlDocPtr pCore = ParseXml(core, part, error);
    if (!pCore) return std::nullopt;
    xmlNode* pRoot = xmlDocGetRootElement(pCore.get());
    if (!IsElement(pRoot, kCpNs, "coreProperties")) {
        SetError(error, part + " holds no core properties");
        return std::nullopt;
    }
    SetOrRemoveElement(pRoot, kDcNs, "dc", "title", properties.title);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "subject", properties.subject);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "creator", properties.author);
    SetOrRemoveElement(pRoot, kCpNs, "cp", "keywords", properties.keywords);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "description", properties.comments);
    if (!pkg->Put(part, DumpXml(pCore.get()), true, error)) return std::nullopt;
    return pkg->Finish(error);
}

} // namespace quillmark::docprops
