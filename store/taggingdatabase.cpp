// The tag database over libxml2. Every change is made under an exclusive lock on
// the file, to the file's current content, and saved by atomic replacement, so
// several processes (the two hosts and the command-line tool) lose nothing.
#include "store/taggingdatabase.h"

#include "resources/strings.h"
#include "store/appsettings.h"
#include "store/datetext.h"
#include "store/utf8.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <utility>

namespace quillmark {

namespace {

const xmlChar* X(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

const xmlChar* X(const std::string& text)
{
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string FromUtf8(const xmlChar* text)
{
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// Attribute value as text; absent gives empty.
std::string GetAttribute(xmlNode* node, const char* name)
{
    xmlChar* value = xmlGetProp(node, X(name));
    std::string text = FromUtf8(value);
    xmlFree(value);
    return text;
}

// The text of a node's first child, when that child is text.
bool FirstChildText(xmlNode* node, std::string& text)
{
    xmlNode* child = node->children;
    if (!child || (child->type != XML_TEXT_NODE && child->type != XML_CDATA_SECTION_NODE))
        return false;
    text = FromUtf8(child->content);
    return true;
}

thread_local std::string g_strLastWarning;

void Warn(const std::string& message)
{
    g_strLastWarning = message;
    std::cerr << "quillmark: " << message << '\n';
}

// The folder part of a file path ("." when it has none).
std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Type of a record: everything after the path's last ".", empty without one.
std::string TypeOfPath(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

// File name: everything after the last folder separator ("\" or "/").
std::string NameOfPath(const std::string& path)
{
    const auto sep = path.find_last_of("\\/");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// Folds A-Z to a-z and nothing else, as the search's translate() does.
std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

xmlDoc* NewEmptyDocument()
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

// Set when the parser meets a document type declaration; the database never has
// one, and refusing it stops every entity declaration and external reference.
thread_local bool t_bSawDoctype = false;

void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*)
{
    t_bSawDoctype = true;
    xmlStopParser(static_cast<xmlParserCtxt*>(ctx));
}

// Parses the database file's bytes. Only these bytes are read: no network, no
// document type, so no entity can be declared or fetched. White space is kept.
xmlDoc* ParseDatabase(const std::string& content, const std::string& path, std::string& error)
{
    xmlParserCtxt* ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        error = "out of memory";
        return nullptr;
    }
    ctxt->sax->internalSubset = RefuseDoctype;
    t_bSawDoctype = false;
    xmlDoc* doc = nullptr;
    if (content.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "file too large";
    } else {
        doc = xmlCtxtReadMemory(ctxt, content.data(), static_cast<int>(content.size()),
                                path.c_str(), nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (t_bSawDoctype || (doc && doc->intSubset)) {
            error = "the file carries a document type declaration";
            xmlFreeDoc(doc);
            doc = nullptr;
        } else if (doc && !xmlDocGetRootElement(doc)) {
            error = "the file has no root element";
            xmlFreeDoc(doc);
            doc = nullptr;
        } else if (!doc) {
            const xmlError* last = xmlCtxtGetLastError(ctxt);
            if (last && last->message) {
                error = "line " + std::to_string(last->line) + ": " + TrimTag(last->message);
                for (char& c : error)
                    if (c == '\n')
                        c = ' ';
            } else {
                error = "not a well-formed XML document";
            }
        }
    }
    xmlFreeParserCtxt(ctxt);
    return doc;
}

// One XPath evaluation over a document, with variables bound as data.
class Query {
public:
    explicit Query(xmlDoc* doc) : m_pContext(xmlXPathNewContext(doc)) {}
    ~Query()
    {
        xmlXPathFreeObject(m_pResult);
        xmlXPathFreeContext(m_pContext);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void Bind(const std::string& name, const std::string& value)
    {
        if (m_pContext && xmlXPathRegisterVariable(m_pContext, X(name), xmlXPathNewString(X(value))) != 0)
            m_bBindFailed = true;
    }

    // False when there is no result at all (the library rejected the expression).
    bool Evaluate(const std::string& expression)
    {
        if (!m_pContext || m_bBindFailed)
            return false;
        m_pResult = xmlXPathEvalExpression(X(expression), m_pContext);
        return m_pResult != nullptr;
    }

    // Element nodes of the result, in document order.
    std::vector<xmlNode*> Elements() const
    {
        std::vector<xmlNode*> nodes;
        if (!m_pResult || m_pResult->type != XPATH_NODESET || !m_pResult->nodesetval)
            return nodes;
        const xmlNodeSet* set = m_pResult->nodesetval;
        for (int i = 0; i < set->nodeNr; ++i)
            if (set->nodeTab[i] && set->nodeTab[i]->type == XML_ELEMENT_NODE)
                nodes.push_back(set->nodeTab[i]);
        return nodes;
    }

    // The first node of the result when it is an element.
    xmlNode* First() const
    {
        if (!m_pResult || m_pResult->type != XPATH_NODESET || !m_pResult->nodesetval ||
            m_pResult->nodesetval->nodeNr == 0)
            return nullptr;
        xmlNode* node = m_pResult->nodesetval->nodeTab[0];
        return node && node->type == XML_ELEMENT_NODE ? node : nullptr;
    }

private:
    xmlXPathContext* m_pContext;
    xmlXPathObject* m_pResult = nullptr;
    bool m_bBindFailed = false;
};

const char kRecordByKey[] = "//doc[@md5=$key]";

// Tags of a record: the text of every element child, whatever its name.
TagList GetNodeTags(xmlNode* record)
{
    TagList tags;
    for (xmlNode* child = record->children; child; child = child->next) {
        std::string text;
        if (child->type == XML_ELEMENT_NODE && FirstChildText(child, text))
            tags.push_back(std::move(text));
    }
    return tags;
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

} // namespace

TaggingDatabase::TaggingDatabase()
{
    xmlInitParser();
}

TaggingDatabase::~TaggingDatabase()
{
    xmlFreeDoc(m_pDoc);
}

std::string TaggingDatabase::DatabaseFile() const
{
    if (!m_strDatabaseFile.empty())
        return m_strDatabaseFile;
    const std::string folder = m_pSettings ? m_pSettings->DatabasePath : std::string();
    return folder + LoadResString(105);
}

const std::string& TaggingDatabase::LastError() const
{
    return g_strLastWarning;
}

const std::string& TaggingDatabase::RecoveredFile() const
{
    return m_strRecoveredFile;
}

bool TaggingDatabase::Open()
{
    LoadFromDisk(false);
    assert(m_pDoc != 0);
    return true;
}

// Reads the database file into a fresh tree. A missing file gives an empty
// database; an unparseable one is moved aside (never overwritten) and the database
// starts empty; one that cannot be read at all is left alone and blocks saving.
// Returns false only when the tree could not be built at all.
bool TaggingDatabase::LoadFromDisk(bool bLocked)
{
    const std::string path = DatabaseFile();
    for (int attempt = 0;; ++attempt) {
        const files::FileStamp before = files::GetFileStamp(path);
        xmlDoc* doc = nullptr;
        std::string error;
        bool readFailed = false;
        if (before.exists) {
            const std::optional<std::string> content = files::ReadFile(path, &error);
            // Another process replaced the file while we read it: read the new one.
            if (files::GetFileStamp(path) != before && attempt < 5)
                continue;
            if (content)
                doc = ParseDatabase(*content, path, error);
            else
                readFailed = true;
        }
        if (doc) {
            xmlFreeDoc(m_pDoc);
            m_pDoc = doc;
            m_stamp = before;
            m_bStampKnown = true;
            m_bBlocked = false;
            return true;
        }
        if (readFailed) {
            // The content may be fine (no permission, an I/O error): leave the file
            // alone and refuse to save over it.
            m_bBlocked = true;
            Warn(error + "; the tag database is left untouched and changes cannot be saved");
        } else if (before.exists) {
            // Move the unparseable file aside under the lock, unless another process
            // has meanwhile put a new file in its place.
            std::optional<files::FileLock> lock;
            if (!bLocked)
                lock.emplace(path);
            if (files::GetFileStamp(path) != before && attempt < 5)
                continue;
            char when[32];
            const std::time_t now = std::time(nullptr);
            std::tm tm{};
            localtime_r(&now, &tm);
            std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &tm);
            const std::string base = path + ".unreadable-" + when;
            std::string aside = base;
            std::string moveError;
            bool moved = false;
            for (int n = 1; n < 100; ++n) {
                if (files::RenameNoReplace(path, aside, &moveError)) {
                    moved = true;
                    break;
                }
                if (errno != EEXIST)
                    break;
                aside = base + "-" + std::to_string(n);
            }
            if (moved) {
                m_strRecoveredFile = aside;
                m_bBlocked = false;
                Warn("the tag database \"" + path + "\" could not be read (" + error +
                     "); it was moved to \"" + aside + "\" and an empty database is used");
            } else {
                m_bBlocked = true;
                Warn("the tag database \"" + path + "\" could not be read (" + error +
                     ") nor moved aside (" + moveError +
                     "); it is left untouched and changes cannot be saved");
            }
        } else {
            m_bBlocked = false; // no file: nothing to protect
        }
        xmlDoc* empty = NewEmptyDocument();
        if (!empty)
            return false;
        xmlFreeDoc(m_pDoc);
        m_pDoc = empty;
        m_stamp = files::GetFileStamp(path);
        m_bStampKnown = true;
        return true;
    }
}

bool TaggingDatabase::RefreshIfChanged(bool bLocked)
{
    if (m_pDoc && m_bStampKnown && files::GetFileStamp(DatabaseFile()) == m_stamp)
        return true;
    return LoadFromDisk(bLocked) && m_pDoc;
}

// Runs `change` on the file's current content under the database lock and saves.
// `change` returns false when it has nothing to save (the change failed). When the
// change or the save fails, the tree is read from the file again at the next
// access, so nothing unsaved is ever shown as stored.
template <class Change>
bool TaggingDatabase::ApplyChange(Change change)
{
    const std::string path = DatabaseFile();
    const std::string folder = FolderOf(path);
    std::string error;
    if (!files::IsDirectory(folder) && !files::MakeDirectories(folder, &error)) {
        Warn("cannot create the database folder: " + error);
        return false;
    }
    files::FileLock lock(path);
    if (!lock.Locked()) {
        Warn(lock.Error());
        return false;
    }
    // A file that could not be moved aside earlier gets another try now.
    if (!(m_bBlocked ? LoadFromDisk(true) : RefreshIfChanged(true)))
        return false;
    if (change() && SaveLocked())
        return true;
    m_bStampKnown = false;
    return false;
}

bool TaggingDatabase::SaveLocked()
{
    const std::string path = DatabaseFile();
    if (m_bBlocked) {
        Warn("the unreadable tag database \"" + path + "\" is not overwritten");
        return false;
    }
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(m_pDoc, &buffer, &size, "UTF-8", 1);
    if (!buffer || size <= 0) {
        xmlFree(buffer);
        Warn("cannot serialise the tag database");
        return false;
    }
    std::string error;
    const bool ok = files::AtomicReplace(
        path, std::string_view(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size)),
        0600, &error);
    xmlFree(buffer);
    if (!ok) {
        Warn("cannot save the tag database: " + error);
        return false;
    }
    m_stamp = files::GetFileStamp(path);
    m_bStampKnown = true;
    // Writers that were killed while saving may have left temporary files.
    files::RemoveReplaceLeftovers(path);
    return true;
}

bool TaggingDatabase::Save()
{
    // Nothing to change: the file is rewritten from its current content.
    return ApplyChange([] { return true; });
}

TagSet TaggingDatabase::GetAllTags()
{
    TagSet tags;
    if (!RefreshIfChanged(false))
        return tags;
    Query query(m_pDoc);
    if (!query.Evaluate("//doc/tag"))
        return tags;
    for (xmlNode* node : query.Elements()) {
        std::string text;
        if (FirstChildText(node, text))
            tags.insert(std::move(text));
    }
    return tags;
}

FileItem TaggingDatabase::GetFileItem(const std::string& path)
{
    FileItem item;
    if (!RefreshIfChanged(false))
        return item;
    Query query(m_pDoc);
    query.Bind("key", GetMd5Hex(path));
    if (!query.Evaluate(kRecordByKey))
        return item;
    if (xmlNode* record = query.First())
        item.writeDate = ParseDate(GetAttribute(record, "writedate"));
    // The tag children of every record with the key, in document order.
    for (xmlNode* record : query.Elements()) {
        for (xmlNode* node = record->children; node; node = node->next) {
            std::string text;
            if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, X("tag")) &&
                FirstChildText(node, text))
                item.tags.push_back(std::move(text));
        }
    }
    return item;
}

bool TaggingDatabase::SetDocumentTags(const std::string& path, const std::string& commaSepTags)
{
    if (commaSepTags.empty())
        return false;
    return SetFileTags(path, SplitTags(commaSepTags));
}

bool TaggingDatabase::SetFileTags(const std::string& path, const TagList& tags)
{
    FileItem item;
    item.path = path;
    item.tags = tags;
    if (const auto times = files::GetFileTimes(path)) {
        item.writeDate = times->writeTime;
        item.accessDate = times->accessTime;
        item.createDate = times->createTime;
    }
    return WriteFileItem(item);
}

bool TaggingDatabase::WriteFileItem(const FileItem& item)
{
    // Text the XML file cannot hold (bad UTF-8, control characters) would make
    // the whole file unreadable: refuse it before anything changes.
    if (!utf8::IsXmlText(item.path)) {
        Warn("the path cannot be stored: it is not valid text");
        return false;
    }
    for (const std::string& tag : item.tags) {
        if (!utf8::IsXmlText(tag)) {
            Warn("a tag cannot be stored: it holds control characters or bytes that are not UTF-8");
            return false;
        }
    }
    const std::string key = GetMd5Hex(item.path);
    return ApplyChange([&] {
        Query query(m_pDoc);
        query.Bind("key", key);
        if (!query.Evaluate(kRecordByKey))
            return false;
        if (xmlNode* old = query.First()) {
            xmlUnlinkNode(old);
            xmlFreeNode(old);
        }
        xmlNode* root = xmlDocGetRootElement(m_pDoc);
        xmlNode* record = root ? xmlNewChild(root, nullptr, X("doc"), nullptr) : nullptr;
        if (!record)
            return false;
        bool ok = xmlNewProp(record, X("md5"), X(key)) && xmlNewProp(record, X("path"), X(item.path)) &&
                  AddDate(record, "thumbwritedate", item.previewDate) &&
                  AddDate(record, "writedate", item.writeDate) &&
                  AddDate(record, "createdate", item.createDate) &&
                  AddDate(record, "accessdate", item.accessDate) &&
                  xmlNewProp(record, X("type"), X(TypeOfPath(item.path)));
        for (const std::string& tag : item.tags) {
            if (!ok)
                break;
            // The tag goes in as a text node, so it is stored exactly as typed:
            // nothing in it is read as markup or an entity reference.
            xmlNode* tagNode = xmlNewChild(record, nullptr, X("tag"), nullptr);
            xmlNode* text = tagNode ? xmlNewText(X(tag)) : nullptr;
            ok = text && xmlAddChild(tagNode, text);
            if (tagNode && !ok)
                xmlFreeNode(text);
        }
        return ok;
    });
}

bool TaggingDatabase::SetPreviewDate(const FileItem& item)
{
    bool found = false;
    const bool saved = ApplyChange([&] {
        Query query(m_pDoc);
        query.Bind("key", item.md5);
        xmlNode* record = query.Evaluate(kRecordByKey) ? query.First() : nullptr;
        if (!record)
            return false;
        found = true;
        RemoveAttribute(record, "thumbwritedate");
        return AddDate(record, "thumbwritedate", item.previewDate);
    });
    return found && saved;
}

bool TaggingDatabase::RemoveDocument(const std::string& path)
{
    const std::string key = GetMd5Hex(path);
    return ApplyChange([&] {
        Query query(m_pDoc);
        query.Bind("key", key);
        if (query.Evaluate(kRecordByKey)) {
            if (xmlNode* record = query.First()) {
                xmlUnlinkNode(record);
                xmlFreeNode(record);
            }
        }
        return true;
    });
}

ResultList TaggingDatabase::GetAllDocuments(const TypeList& types)
{
    return FindDocuments(std::string(), types);
}

ResultList TaggingDatabase::FindDocuments(const std::string& searchText, const TypeList& types)
{
    ResultList results;
    if (!RefreshIfChanged(false))
        return results;
    Query query(m_pDoc);
    // Types and the search text are bound as variables: they are data, and no
    // character in them can change the expression.
    std::string typeClause;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::string name = "type" + std::to_string(i);
        query.Bind(name, types[i]);
        typeClause += (i == 0 ? "(" : " or ");
        typeClause += "contains(@type, $" + name + ")";
    }
    if (!typeClause.empty())
        typeClause += ")";
    std::string textClause;
    if (!searchText.empty()) {
        query.Bind("text", AsciiLower(searchText));
        textClause = "contains(translate(.,'ABCDEFGHIJKLMNOPQRSTUVWXYZ',"
                     "'abcdefghijklmnopqrstuvwxyz'), $text)";
    }
    std::string expression = "//doc";
    if (!typeClause.empty() || !textClause.empty()) {
        expression += "[" + typeClause;
        if (!typeClause.empty() && !textClause.empty())
            expression += " and ";
        expression += textClause + "]";
    }
    if (!query.Evaluate(expression))
        return results;
    for (xmlNode* record : query.Elements()) {
        FileItem item;
        item.path = GetAttribute(record, "path");
        item.name = NameOfPath(item.path);
        item.md5 = GetAttribute(record, "md5");
        item.previewDate = ParseDate(GetAttribute(record, "thumbwritedate"));
        item.tags = GetNodeTags(record);
        results.push_back(std::move(item));
    }
    return results;
}

} // namespace quillmark
