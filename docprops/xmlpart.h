#pragma once
// Small libxml2 helpers for the XML parts that hold document properties: parsing
// from memory without network or entity expansion, finding and setting child
// elements by namespace and local name, and writing the part back.
#include "docprops/docprops.h"

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::docprops {

struct XmlDocFree {
    void operator()(xmlDoc* pDoc) const { xmlFreeDoc(pDoc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// nullptr (error set) when `text` is not well-formed XML with a root element.
XmlDocPtr ParseXml(std::string_view text, const std::string& partName, std::string* error);
// The document as UTF-8 text, with its XML declaration.
std::string DumpXml(xmlDoc* pDoc);

bool IsElement(const xmlNode* pNode, const char* nsHref, const char* localName);
// Child elements of `pParent` with that namespace and local name, in document order.
std::vector<xmlNode*> ChildElements(xmlNode* pParent, const char* nsHref, const char* localName);
xmlNode* FirstChildElement(xmlNode* pParent, const char* nsHref, const char* localName);
// The text content of an element (all of its text, nested elements included).
std::string TextOf(xmlNode* pNode);
// Replaces the element's content by `text` (taken literally, not as markup).
void SetText(xmlNode* pNode, const std::string& text);
// A new child element at the end of `pParent`, its namespace declared on the root when
// no declaration is in scope.
xmlNode* AppendElement(xmlNode* pParent, const char* nsHref, const char* prefix, const char* localName);
// Sets the first such child element to `text`, creating it when missing; with an
// empty `text` the element is removed instead.
void SetOrRemoveElement(xmlNode* pParent, const char* nsHref, const char* prefix, const char* localName,
                        const std::string& text);
void RemoveNode(xmlNode* pNode);

// False (error set) when a property value is not UTF-8 text that an XML file can hold.
bool CheckXmlValues(const Properties& properties, std::string* error);

} // namespace quillmark::docprops
