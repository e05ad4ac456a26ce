#pragma once
// Small libxml2 helpers for the XML parts that hold document properties: reading a
// property's text with its limit, setting child elements by namespace and local
// name, and writing the part back. Parsing and finding elements is the safe
// parser's (platform/untrusted/safexml.h).
#include "docprops/docprops.h"
#include "platform/untrusted/safexml.h"

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::docprops {

using untrusted::ChildElements;
using untrusted::FirstChildElement;
using untrusted::IsElement;
using untrusted::ParseXml;
using untrusted::X;
using untrusted::XmlDocPtr;

// The longest property text read from a file. A longer one is refused rather than
// cut, so that a save can never write back less than the file held.
constexpr std::size_t kMaxPropertyBytes = 64u << 10;

// The document as UTF-8 text, with its XML declaration.
std::string DumpXml(xmlDoc* pDoc);

// The text of the property element `pNode` ("" when null) into `text`; false (error
// set, naming the property `what`) when it is longer than kMaxPropertyBytes.
bool ReadPropertyText(const xmlNode* pNode, const char* what, std::string& text, std::string* error);
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
