#include "docprops/xmlpart.h"

#include "store/utf8.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <cstring>

namespace quillmark::docprops {

namespace {

void SetError(std::string* error, std::string text)
{
    if (error) *error = std::move(text);
}

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

} // namespace

XmlDocPtr ParseXml(std::string_view text, const std::string& partName, std::string* error)
{
    XmlDocPtr pDoc(xmlReadMemory(text.data(), static_cast<int>(text.size()), partName.c_str(), nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!pDoc || !xmlDocGetRootElement(pDoc.get())) {
        const xmlError* pError = xmlGetLastError();
        std::string why = pError && pError->message ? pError->message : "not well-formed";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        SetError(error, partName + " is not well-formed XML (" + why + ")");
        return nullptr;
    }
    return pDoc;
}

std::string DumpXml(xmlDoc* pDoc)
{
    xmlChar* pText = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(pDoc, &pText, &size, "UTF-8");
    std::string text(reinterpret_cast<const char*>(pText), static_cast<std::size_t>(size));
    xmlFree(pText);
    return text;
}

bool IsElement(const xmlNode* pNode, const char* nsHref, const char* localName)
{
    return pNode && pNode->type == XML_ELEMENT_NODE && xmlStrEqual(pNode->name, X(localName)) &&
           pNode->ns && xmlStrEqual(pNode->ns->href, X(nsHref));
}

std::vector<xmlNode*> ChildElements(xmlNode* pParent, const char* nsHref, const char* localName)
{
    std::vector<xmlNode*> found;
    for (xmlNode* pChild = pParent ? pParent->children : nullptr; pChild; pChild = pChild->next)
        if (IsElement(pChild, nsHref, localName)) found.push_back(pChild);
    return found;
}

xmlNode* FirstChildElement(xmlNode* pParent, const char* nsHref, const char* localName)
{
    for (xmlNode* pChild = pParent ? pParent->children : nullptr; pChild; pChild = pChild->next)
        if (IsElement(pChild, nsHref, localName)) return pChild;
    return nullptr;
}

std::string TextOf(xmlNode* pNode)
{
    xmlChar* pText = xmlNodeGetContent(pNode);
    std::string text = pText ? reinterpret_cast<const char*>(pText) : "";
    xmlFree(pText);
    return text;
}

void SetText(xmlNode* pNode, const std::string& text)
{
    xmlNodeSetContent(pNode, nullptr);
    xmlNodeAddContentLen(pNode, reinterpret_cast<const xmlChar*>(text.data()), static_cast<int>(text.size()));
}

xmlNode* AppendElement(xmlNode* pParent, const char* nsHref, const char* prefix, const char* localName)
{
    xmlNs* pNs = xmlSearchNsByHref(pParent->doc, pParent, X(nsHref));
    if (!pNs) {
        xmlNode* pRoot = xmlDocGetRootElement(pParent->doc);
        // A prefix already bound to another namespace on the root gets a fresh one.
        std::string name = prefix;
        for (int n = 1; xmlSearchNs(pParent->doc, pRoot, X(name.c_str())); ++n) name = prefix + std::to_string(n);
        pNs = xmlNewNs(pRoot, X(nsHref), X(name.c_str()));
    }
    return xmlNewChild(pParent, pNs, X(localName), nullptr);
}

void SetOrRemoveElement(xmlNode* pParent, const char* nsHref, const char* prefix, const char* localName,
                        const std::string& text)
{
    xmlNode* pNode = FirstChildElement(pParent, nsHref, localName);
    if (text.empty()) {
        if (pNode) RemoveNode(pNode);
        return;
    }
    if (!pNode) pNode = AppendElement(pParent, nsHref, prefix, localName);
    SetText(pNode, text);
}

void RemoveNode(xmlNode* pNode)
{
    xmlUnlinkNode(pNode);
    xmlFreeNode(pNode);
}

bool CheckXmlValues(const Properties& properties, std::string* error)
{
    for (const char* name : {"Title", "Subject", "Author", "Keywords", "Comments"}) {
        if (!utf8::IsXmlText(*properties.Field(name))) {
            SetError(error, std::string("the ") + name +
                                " property holds a character that the file cannot store (a control character "
                                "or invalid UTF-8)");
            return false;
        }
    }
    return true;
}

} // namespace quillmark::docprops
