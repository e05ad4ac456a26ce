#include "platform/untrusted/safexml.h"
#include "platform/errors/seterror.h"

#include <libxml/parser.h>

namespace quillmark::untrusted {

namespace {

// Set by the SAX hooks below when the text brings a document type along.
thread_local bool t_bSawDocType = false;

void RefuseSubset(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*)
{
    t_bSawDocType = true;
    xmlStopParser(static_cast<xmlParserCtxt*>(ctx));
}

void RefuseEntity(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*)
{
    t_bSawDocType = true;
    xmlStopParser(static_cast<xmlParserCtxt*>(ctx));
}

struct ContextFree {
    void operator()(xmlParserCtxt* p) const { xmlFreeParserCtxt(p); }
};

// Where a UTF-8 text may be cut at or before `at` without splitting a character.
std::size_t CharBoundary(std::string_view text, std::size_t at)
{
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

} // namespace

XmlDocPtr ParseXml(std::string_view text, const std::string& name, std::string* error, std::size_t maxBytes)
{
    if (text.size() > maxBytes || text.size() > static_cast<std::size_t>(INT32_MAX)) {
        SetError(error, name + " is too large to read (" + std::to_string(text.size()) + " bytes, at most " +
                            std::to_string(maxBytes) + ")");
        return nullptr;
    }
    std::unique_ptr<xmlParserCtxt, ContextFree> pContext(xmlNewParserCtxt());
    if (!pContext || !pContext->sax) {
        SetError(error, "out of memory");
        return nullptr;
    }
    pContext->sax->internalSubset = RefuseSubset;
    pContext->sax->externalSubset = RefuseSubset;
    pContext->sax->entityDecl = RefuseEntity;
    t_bSawDocType = false;
    // No XML_PARSE_NOENT, DTDLOAD, DTDATTR or HUGE: nothing is substituted, loaded
    // or allowed past libxml2's own limits.
    XmlDocPtr pDoc(xmlCtxtReadMemory(pContext.get(), text.data(), static_cast<int>(text.size()), name.c_str(),
                                     nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (t_bSawDocType || (pDoc && pDoc->intSubset)) {
        SetError(error, name + " declares a document type, which a document part never needs and this reader "
                               "refuses");
        return nullptr;
    }
    if (!pDoc || !xmlDocGetRootElement(pDoc.get())) {
        const xmlError* pError = xmlCtxtGetLastError(pContext.get());
        std::string why = pError && pError->message ? pError->message : "no root element";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        SetError(error, name + " is not well-formed XML (" + why + ")");
        return nullptr;
    }
    return pDoc;
}

bool IsElement(const xmlNode* pNode, const char* nsHref, const char* localName)
{
    return pNode && pNode->type == XML_ELEMENT_NODE && xmlStrEqual(pNode->name, X(localName)) && pNode->ns &&
           xmlStrEqual(pNode->ns->href, X(nsHref));
}

std::vector<xmlNode*> ChildElements(const xmlNode* pParent, const char* nsHref, const char* localName)
{
    std::vector<xmlNode*> found;
    for (xmlNode* pChild = pParent ? pParent->children : nullptr; pChild; pChild = pChild->next)
        if (IsElement(pChild, nsHref, localName)) found.push_back(pChild);
    return found;
}

xmlNode* FirstChildElement(const xmlNode* pParent, const char* nsHref, const char* localName)
{
    for (xmlNode* pChild = pParent ? pParent->children : nullptr; pChild; pChild = pChild->next)
        if (IsElement(pChild, nsHref, localName)) return pChild;
    return nullptr;
}

std::string TextOf(const xmlNode* pNode, std::size_t limit, bool* pCut)
{
    std::string text;
    bool bCut = false;
    // Depth first without recursion; the parser already bounds the depth.
    const xmlNode* pAt = pNode ? pNode->children : nullptr;
    if (pNode && (pNode->type == XML_TEXT_NODE || pNode->type == XML_CDATA_SECTION_NODE)) pAt = pNode;
    while (pAt && !bCut) {
        if ((pAt->type == XML_TEXT_NODE || pAt->type == XML_CDATA_SECTION_NODE) && pAt->content) {
            const std::string_view piece(reinterpret_cast<const char*>(pAt->content));
            if (text.size() + piece.size() > limit) {
                text.append(piece.substr(0, CharBoundary(piece, limit - text.size())));
                bCut = true;
                break;
            }
            text.append(piece);
        }
        if (pAt == pNode) break;
        if (pAt->type == XML_ELEMENT_NODE && pAt->children) {
            pAt = pAt->children;
            continue;
        }
        while (pAt && pAt != pNode && !pAt->next) pAt = pAt->parent;
        if (!pAt || pAt == pNode) break;
        pAt = pAt->next;
    }
    if (pCut) *pCut = bCut;
    return text;
}

std::string Attribute(const xmlNode* pNode, const char* name, const char* nsHref)
{
    xmlChar* pValue = nsHref ? xmlGetNsProp(pNode, X(name), X(nsHref)) : xmlGetProp(pNode, X(name));
    std::string value = pValue ? reinterpret_cast<const char*>(pValue) : "";
    xmlFree(pValue);
    return value;
}

} // namespace quillmark::untrusted
