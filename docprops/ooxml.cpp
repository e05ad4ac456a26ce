// Office Open XML packages: the core properties part, found through the package
// relationships, with its relationship and content type added when missing.
#include "docprops/formats.h"
#include "platform/errors/seterror.h"
#include "docprops/xmlpart.h"
#include "platform/untrusted/partname.h"

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

std::string Attribute(xmlNode* pNode, const char* name) { return untrusted::Attribute(pNode, name); }

// The core properties relationship of the package relationships; nullptr when none.
xmlNode* CoreRelationship(xmlDoc* pRels)
{
    for (xmlNode* pRel : ChildElements(xmlDocGetRootElement(pRels), kRelsNs, "Relationship"))
        if (Attribute(pRel, "Type") == kCoreRelType) return pRel;
    return nullptr;
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
    xmlNode* pRel = CoreRelationship(location.pRels.get());
    if (!pRel) return location;
    if (Attribute(pRel, "TargetMode") == "External") {
        SetError(error, "its core properties relationship points outside the package");
        return std::nullopt;
    }
    // The package's relationships resolve against the package root; the part keeps
    // the spelling the archive stores it under.
    std::optional<std::string> part = untrusted::ResolvePartName("", Attribute(pRel, "Target"), error);
    if (!part) return std::nullopt;
    location.part = pkg.FindNoCase(*part).value_or(*part);
    return location;
}

// Reads each property of `pRoot` (cp:coreProperties); false (error set) when one is too long.
bool ReadCoreText(xmlNode* pRoot, Properties& properties, std::string* error)
{
    return ReadPropertyText(FirstChildElement(pRoot, kDcNs, "title"), "Title", properties.title, error) &&
           ReadPropertyText(FirstChildElement(pRoot, kDcNs, "subject"), "Subject", properties.subject, error) &&
           ReadPropertyText(FirstChildElement(pRoot, kDcNs, "creator"), "Author", properties.author, error) &&
           ReadPropertyText(FirstChildElement(pRoot, kCpNs, "keywords"), "Keywords", properties.keywords, error) &&
           ReadPropertyText(FirstChildElement(pRoot, kDcNs, "description"), "Comments", properties.comments, error);
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

std::optional<std::string> OoxmlCorePart(const ZipPackage& pkg, std::string* error)
{
    std::optional<CoreLocation> location = LocateCore(pkg, error);
    if (!location) return std::nullopt;
    return location->part;
}

std::optional<std::string> OoxmlCorePart(std::string_view bytes, std::string* error)
{
    std::unique_ptr<ZipPackage> pkg = ZipPackage::OpenBytes(bytes, error);
    return pkg ? OoxmlCorePart(*pkg, error) : std::nullopt;
}

std::optional<Properties> ReadOoxml(const ZipPackage& package, std::string* error)
{
    const ZipPackage* pkg = &package;
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
    if (!ReadCoreText(pRoot, properties, error)) return std::nullopt;
    return properties;
}

bool WriteOoxml(ZipPackage& package, bool bNew, const Properties& properties, std::string* error)
{
    if (!CheckXmlValues(properties, error)) return false;
    ZipPackage* pkg = &package;
    if (bNew && !pkg->Put(kContentTypesPart, kNewTypes, true, error)) return false;
    std::optional<CoreLocation> location = LocateCore(*pkg, error);
    if (!location) return false;

    std::string part = location->part;
    if (part.empty()) {
        // No core properties part yet: add it with its relationship.
        part = kDefaultCorePart;
        if (!location->pRels) location->pRels = ParseXml(kNewRels, kRelsPart, error);
        if (!pkg->Put(kRelsPart, AddCoreRelationship(location->pRels.get(), part), true, error)) return false;
    }
    std::optional<std::string> types = pkg->Read(kContentTypesPart, error);
    if (!types) return false;
    std::optional<std::string> newTypes = AddCoreContentType(*types, part, error);
    if (!newTypes) return false;
    if (!newTypes->empty() && !pkg->Put(kContentTypesPart, *newTypes, true, error)) return false;

    std::string core = kNewCore;
    if (pkg->Has(part)) {
        std::optional<std::string> existing = pkg->Read(part, error);
        if (!existing) return false;
        core = std::move(*existing);
    }
    XmlDocPtr pCore = ParseXml(core, part, error);
    if (!pCore) return false;
    xmlNode* pRoot = xmlDocGetRootElement(pCore.get());
    if (!IsElement(pRoot, kCpNs, "coreProperties")) {
        SetError(error, part + " holds no core properties");
        return false;
    }
    // A property this program cannot read whole is never overwritten with less.
    if (Properties existing; !ReadCoreText(pRoot, existing, error)) return false;
    SetOrRemoveElement(pRoot, kDcNs, "dc", "title", properties.title);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "subject", properties.subject);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "creator", properties.author);
    SetOrRemoveElement(pRoot, kCpNs, "cp", "keywords", properties.keywords);
    SetOrRemoveElement(pRoot, kDcNs, "dc", "description", properties.comments);
    return pkg->Put(part, DumpXml(pCore.get()), true, error);
}

} // namespace quillmark::docprops
