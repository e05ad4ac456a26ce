// RecordBatch and TaggingDatabase::ChangeRecords: many record changes under one
// lock, written in one save through a document tree of the current file.
#include "store/recordbatch.h"

#include "platform/files/paths.h"
#include "store/datetext.h"
#include "store/databaseinternals.h"
#include "store/taggingdatabase.h"
#include "store/treewriter.h"
#include "store/utf8.h"

#include <libxml/tree.h>

#include <cstring>
#include <unordered_map>

namespace quillmark {

namespace {

bool IsRecordElement(const xmlNode* node)
{
    return node->type == XML_ELEMENT_NODE && !node->ns &&
           std::strcmp(reinterpret_cast<const char*>(node->name), "doc") == 0;
}

std::string KeyOf(xmlNode* record)
{
    xmlChar* value = xmlGetNoNsProp(record, reinterpret_cast<const xmlChar*>("md5"));
    std::string key = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return key;
}

// Every record element below `node`, in document order, by key: the order in
// which the database's reader numbered them (records do not nest).
void CollectRecords(xmlNode* node, std::unordered_map<std::string, std::vector<xmlNode*>>& byKey)
{
    for (xmlNode* child = node->children; child; child = child->next) {
        if (IsRecordElement(child))
            byKey[KeyOf(child)].push_back(child);
        else if (child->type == XML_ELEMENT_NODE)
            CollectRecords(child, byKey);
    }
}

} // namespace

bool StorableItem(const FileItem& item, std::string& why)
{
    // Text the XML file cannot hold (bad UTF-8, control characters) would make
    // the whole file unreadable: refuse it before anything changes.
    if (!utf8::IsXmlText(item.path)) {
        why = "the path cannot be stored: it is not valid text";
        return false;
    }
    for (const std::string& tag : item.tags) {
        // A line break would split the tag in two wherever tags are listed a line each.
        if (!utf8::IsXmlText(tag) || tag.find_first_of("\r\n") != std::string::npos) {
            why = "a tag cannot be stored: it holds a line break, control characters or bytes that are not UTF-8";
            return false;
        }
    }
    return true;
}

RecordBatch::RecordBatch(ResultList records) : m_records(std::move(records)), m_edits(m_records.size()) {}

bool RecordBatch::Replace(std::size_t index, FileItem item)
{
    std::string why;
    if (index >= m_records.size() || !StorableItem(item, why))
        return false;
    m_edits[index].removed = false;
    m_edits[index].replacement = std::move(item);
    m_bChanged = true;
    return true;
}

void RecordBatch::Remove(std::size_t index)
{
    if (index >= m_records.size())
        return;
    m_edits[index].removed = true;
    m_edits[index].replacement.reset();
    m_bChanged = true;
}

bool RecordBatch::Add(FileItem item)
{
    std::string why;
    if (!StorableItem(item, why))
        return false;
    m_added.push_back(std::move(item));
    m_bChanged = true;
    return true;
}

void RecordBatch::Discard()
{
    m_edits.assign(m_records.size(), Edit());
    m_added.clear();
    m_bChanged = false;
}

bool TaggingDatabase::ChangeRecords(const std::function<void(RecordBatch&)>& edit)
{
    // The batch is written through the tree, which never finds the file moved:
    // `write` runs once.
    return UnderLock([&](const std::string&) {
        ResultList records;
        records.reserve(m_p->m_index.LiveCount());
        for (std::uint32_t i = 0; i < m_p->m_index.Records().size(); ++i) {
            if (!m_p->m_index.Records()[i].live)
                continue;
            FileItem item;
            item.path = m_p->m_index.Value(i, kPath);
            item.name = files::NameOf(item.path);
            item.md5 = m_p->m_index.Value(i, kMd5);
            item.writeDate = ParseDate(m_p->m_index.Value(i, kWriteDate));
            item.previewDate = ParseDate(m_p->m_index.Value(i, kThumbWriteDate));
            item.accessDate = ParseDate(m_p->m_index.Value(i, kAccessDate));
            item.createDate = ParseDate(m_p->m_index.Value(i, kCreateDate));
            ForEachTag(m_p->m_index.MarkedTags(i), [&](std::string_view tag, bool isTag) {
                if (isTag)
                    item.tags.emplace_back(tag);
            });
            records.push_back(std::move(item));
        }
        RecordBatch batch(std::move(records));
        edit(batch);
        if (!batch.Changed())
            return Written::Yes;
        return WriteBatch(batch) ? Written::Yes : Written::No;
    });
}

bool TaggingDatabase::WriteBatch(const RecordBatch& batch)
{
    const std::string path = DatabaseFile();
    xmlDoc* doc = m_p->m_pTree;
    m_p->m_pTree = nullptr;
    if (!doc) {
        std::string error;
        // A file in the formatter's indented form is read without its indenting,
        // so that it is written back the same with every record indented.
        const bool bIndented = m_p->m_index.m_bCanonical && m_p->m_index.m_layout == TagIndex::Layout::Indented;
        // Only a missing file starts empty (see WriteTree).
        doc = !files::IsMissing(Fs(), path) ? tree::Read(Fs(), path, error, bIndented) : tree::NewEmpty();
        if (!doc) {
            WarnDatabase(error.empty() ? "out of memory" : error);
            return false;
        }
    }
    xmlNode* root = xmlDocGetRootElement(doc);
    std::unordered_map<std::string, std::vector<xmlNode*>> byKey;
    if (root)
        CollectRecords(root, byKey);
    std::unordered_map<std::string, std::size_t> seen;
    bool ok = root != nullptr;
    const ResultList& records = batch.Records();
    for (std::size_t i = 0; ok && i < records.size(); ++i) {
        const RecordBatch::Edit& edit = batch.Edits()[i];
        std::vector<xmlNode*>& nodes = byKey[records[i].md5];
        const std::size_t nth = seen[records[i].md5]++;
        if (nth >= nodes.size() || !nodes[nth]) {
            WarnDatabase("the tag database \"" + path + "\" does not hold the records it was read with");
            ok = false;
            break;
        }
        if (!edit.removed && !edit.replacement)
            continue;
        xmlNode* old = nodes[nth];
        nodes[nth] = nullptr;
        if (edit.removed) {
            xmlUnlinkNode(old);
            xmlFreeNode(old);
            continue;
        }
        const std::string key = GetMd5Hex(edit.replacement->path);
        xmlNode* fresh = tree::NewRecord(doc, key, *edit.replacement);
        if (!fresh) {
            ok = false;
            break;
        }
        xmlReplaceNode(old, fresh);
        xmlFreeNode(old);
        byKey[key].push_back(fresh);
    }
    for (const FileItem& item : batch.Added()) {
        if (!ok)
            break;
        const std::string key = GetMd5Hex(item.path);
        // As WriteFileItem: the first record under the key gives way to the new last one.
        std::vector<xmlNode*>& nodes = byKey[key];
        for (xmlNode*& node : nodes) {
            if (node) {
                xmlUnlinkNode(node);
                xmlFreeNode(node);
                node = nullptr;
                break;
            }
        }
        xmlNode* fresh = tree::NewRecord(doc, key, item);
        if (!fresh || !xmlAddChild(root, fresh)) {
            xmlFreeNode(fresh);
            ok = false;
            break;
        }
        nodes.push_back(fresh);
    }
    std::string bytes;
    if (ok && !tree::Serialize(doc, bytes)) {
        WarnDatabase("cannot serialise the tag database");
        ok = false;
    }
    if (!ok || !m_p->m_file.Replace(path, bytes)) {
        xmlFreeDoc(doc);
        return false;
    }
    // Index the file just written; the tree stays only for a file the
    // formatter's pieces cannot write, as after any other change.
    Load(true, !tree::RootHoldsText(doc));
    if (m_p->m_index.m_bCanonical && !m_p->m_bTreeWriter)
        xmlFreeDoc(doc);
    else
        m_p->m_pTree = doc;
    return true;
}

} // namespace quillmark
