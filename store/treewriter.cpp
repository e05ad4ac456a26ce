#include "store/treewriter.h"

#include "platform/files/files.h"
#include "platform/untrusted/safexml.h"

#include "store/datetext.h"

#include <climits>
#include <optional>

#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace quillmark::tree {

namespace {

using untrusted::X;

// The first record element keyed `key`, found as the XPath //doc[@md5=$key]
// finds it (records at any depth, in document order).
xmlNode* FirstRecord(xmlDoc* doc, const std::string& key)
{
    xmlXPathContext* context = xmlXPathNewContext(doc);
    if (!context)
        return nullptr;
    xmlNode* found = nullptr;
    if (xmlXPathRegisterVariable(context, X("key"), xmlXPathNewString(X(key))) == 0) {
        xmlXPathObject* result = xmlXPathEvalExpression(X("//doc[@md5=$key]"), context);
        if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0) {
            xmlNode* node = result->nodesetval->nodeTab[0];
            if (node && node->type == XML_ELEMENT_NODE)
                found = node;
        }
        xmlXPathFreeObject(result);
    }
    xmlXPathFreeContext(context);
    return found;
}

// Adds a date attribute when the time is set and has a local calendar form.
bool AddDate(xmlNode* record, const char* name, Time time)
{
    if (time == 0)
        return true;
    const std::string text = FormatDate(time);
    if (text.empty())
        return true;
    return xmlNewProp(record, X(name), X(text)) != nullptr;
}

void RemoveAttribute(xmlNode* node, const char* name)
{
    if (xmlAttr* attr = xmlHasProp(node, X(name)))
        xmlRemoveProp(attr);
}

// Removes the text nodes made only of blanks among the children of `node` and,
// `levels` deep, of theirs: the indenting the formatter adds, and puts back.
void DropIndenting(xmlNode* node, int levels)
{
    for (xmlNode* child = node ? node->children : nullptr; child;) {
        xmlNode* next = child->next;
        if (child->type == XML_TEXT_NODE && xmlIsBlankNode(child)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE && levels > 1) {
            DropIndenting(child, levels - 1);
        }
        child = next;
    }
}

} // namespace

std::string TypeOfPath(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

xmlDoc* Read(files::FileSystem& fs, const std::string& path, std::string& error, bool bIndented)
{
    // Read through the file layer, so that its failures are reported as such.
    std::string readError;
    const std::optional<std::string> content = files::ReadFile(fs, path, &readError);
    if (!content) {
        error = readError;
        return nullptr;
    }
    if (content->size() > static_cast<std::size_t>(INT_MAX)) {
        error = "\"" + path + "\" is too large";
        return nullptr;
    }
    // Parsed as every outside XML is; the message stays the store's own.
    std::string parseError;
    xmlDoc* doc = untrusted::ParseXml(*content, path, &parseError, static_cast<std::size_t>(INT_MAX)).release();
    if (!doc)
        error = "cannot parse \"" + path + "\" again";
    else if (bIndented)
        DropIndenting(xmlDocGetRootElement(doc), 2);
    return doc;
}

xmlDoc* NewEmpty()
{
    xmlDoc* doc = xmlNewDoc(X("1.0"));
    if (!doc)
        return nullptr;
    xmlNode* root = xmlNewNode(nullptr, X("documents"));
    if (!root) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    xmlDocSetRootElement(doc, root);
    return doc;
}

xmlNode* NewRecord(xmlDoc* doc, const std::string& key, const FileItem& item)
{
    xmlNode* record = xmlNewDocNode(doc, nullptr, X("doc"), nullptr);
    if (!record)
        return nullptr;
    bool ok = xmlNewProp(record, X("md5"), X(key)) && xmlNewProp(record, X("path"), X(item.path)) &&
              AddDate(record, "thumbwritedate", item.previewDate) && AddDate(record, "writedate", item.writeDate) &&
              AddDate(record, "createdate", item.createDate) && AddDate(record, "accessdate", item.accessDate) &&
              xmlNewProp(record, X("type"), X(TypeOfPath(item.path)));
    for (const std::string& tag : item.tags) {
        if (!ok)
            break;
        // The tag goes in as a text node, so it is stored exactly as typed:
        // nothing in it is read as markup or an entity reference.
        xmlNode* tagNode = xmlNewChild(record, nullptr, X("tag"), nullptr);
        xmlNode* text = tagNode ? xmlNewDocText(doc, X(tag)) : nullptr;
        ok = text && xmlAddChild(tagNode, text);
        if (tagNode && !ok)
            xmlFreeNode(text);
    }
    if (!ok) {
        xmlFreeNode(record);
        return nullptr;
    }
    return record;
}

bool WriteRecord(xmlDoc* doc, const std::string& key, const FileItem& item)
{
    if (xmlNode* old = FirstRecord(doc, key)) {
        xmlUnlinkNode(old);
        xmlFreeNode(old);
    }
    xmlNode* root = xmlDocGetRootElement(doc);
    xmlNode* record = root ? NewRecord(doc, key, item) : nullptr;
    if (!record)
        return false;
    if (!xmlAddChild(root, record)) {
        xmlFreeNode(record);
        return false;
    }
    return true;
}

bool SetPreviewDate(xmlDoc* doc, const std::string& key, Time previewDate)
{
    xmlNode* record = FirstRecord(doc, key);
    if (!record)
        return false;
    RemoveAttribute(record, "thumbwritedate");
    return AddDate(record, "thumbwritedate", previewDate);
}

void RemoveRecord(xmlDoc* doc, const std::string& key)
{
    if (xmlNode* record = FirstRecord(doc, key)) {
        xmlUnlinkNode(record);
        xmlFreeNode(record);
    }
}

bool Serialize(xmlDoc* doc, std::string& out)
{
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 1);
    const bool ok = buffer && size > 0;
    if (ok)
        out.assign(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    xmlFree(buffer);
    return ok;
}

bool RootHoldsText(xmlDoc* doc)
{
    const xmlNode* root = xmlDocGetRootElement(doc);
    for (const xmlNode* child = root ? root->children : nullptr; child; child = child->next)
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE ||
            child->type == XML_ENTITY_REF_NODE)
            return true;
    return false;
}

} // namespace quillmark::tree
