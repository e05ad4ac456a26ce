#include "docprops/xmlpart.h"
#include "platform/errors/seterror.h"

#include "store/utf8.h"

#include <libxml/xmlsave.h>

#include <cstring>

namespace quillmark::docprops {

std::string DumpXml(xmlDoc* pDoc)
{
    xmlChar* pText = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(pDoc, &pText, &size, "UTF-8");
    std::string text(reinterpret_cast<const char*>(pText), static_cast<std::size_t>(size));
    xmlFree(pText);
    return text;
}

bool ReadPropertyText(const xmlNode* pNode, const char* what, std::string& text, std::string* error)
{
    bool bCut = false;
    text = pNode ? untrusted::TextOf(pNode, kMaxPropertyBytes, &bCut) : std::string();
    if (bCut) {
        SetError(error, std::string("its ") + what + " property is longer than " +
                            std::to_string(kMaxPropertyBytes / 1024) + " KB, more than this program reads");
        text.clear();
        return false;
    }
    return true;
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
