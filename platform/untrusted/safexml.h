#pragma once
// The one way to parse XML that comes from a document or a file on disk: no
// document type (a DOCTYPE or entity declaration is refused, so no entity can
// expand), no network, a cap on the text's size; and text read from the tree with
// a cap on its length, so that a small file cannot become a large string.
#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::untrusted {

// The largest XML text ParseXml accepts unless told otherwise.
constexpr std::size_t kMaxXmlBytes = 16u << 20;

inline const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }
inline const xmlChar* X(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

struct XmlDocFree {
    void operator()(xmlDoc* pDoc) const { xmlFreeDoc(pDoc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// The parsed document; nullptr (error set, naming `name`) when `text` is larger than
// `maxBytes`, is not well-formed XML with a root element, declares a document type
// or refers to an entity other than the five predefined ones.
XmlDocPtr ParseXml(std::string_view text, const std::string& name, std::string* error,
                   std::size_t maxBytes = kMaxXmlBytes);

bool IsElement(const xmlNode* pNode, const char* nsHref, const char* localName);
// Child elements of `pParent` with that namespace and local name, in document order.
std::vector<xmlNode*> ChildElements(const xmlNode* pParent, const char* nsHref, const char* localName);
xmlNode* FirstChildElement(const xmlNode* pParent, const char* nsHref, const char* localName);

// The text of `pNode` and everything below it, in document order, at most `limit`
// bytes (cut at a character boundary); `pCut` tells whether anything was left out.
std::string TextOf(const xmlNode* pNode, std::size_t limit, bool* pCut = nullptr);
// The attribute `name` (in namespace `nsHref`, or without one when null); "" when missing.
std::string Attribute(const xmlNode* pNode, const char* name, const char* nsHref = nullptr);

} // namespace quillmark::untrusted
