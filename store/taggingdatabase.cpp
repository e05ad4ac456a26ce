// The tag database's records and queries over its index. Every change is made
// under the database lock, to the file's current content, and saved by atomic
// replacement, so several processes (the two hosts and the command-line tool)
// lose nothing. A file in the formatter's exact form is rewritten from pieces
// of itself; any other file goes once through a document tree.
#include "store/taggingdatabase.h"

#include "platform/files/paths.h"
#include "resources/strings.h"
#include "store/appsettings.h"
#include "store/casefold.h"
#include "store/recordbatch.h"
#include "store/datetext.h"
#include "store/filesystemtags.h"
#include "store/treewriter.h"
#include "store/utf8.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <array>

namespace quillmark {

namespace {

using Piece = quillmark::DatabaseFile::Piece;

// Calls `each(text, isTagElement)` for every tag among a record's marked tags.
template <class Each> void ForEachTag(std::string_view marked, Each each)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        if (marked[i] == TagIndex::kTagMark || marked[i] == TagIndex::kOtherMark) {
            each(marked.substr(start, i - start), marked[i] == TagIndex::kTagMark);
            start = i + 1;
        }
    }
}

// "</documents>\n": how every file in the formatter's form ends, unless its root is empty.
constexpr std::uint64_t kRootCloseLength = 13;

} // namespace

struct TaggingDatabase::Change {
    enum Kind { Write, Preview, Remove, Save } kind = Save;
    std::string key;
    const FileItem* item = nullptr; // Write
    Time previewDate = 0;           // Preview
};

TaggingDatabase::TaggingDatabase()
{
    xmlInitParser();
}

TaggingDatabase::~TaggingDatabase()
{
    DropTree();
}

void TaggingDatabase::DropTree()
{
    xmlFreeDoc(m_pTree);
    m_pTree = nullptr;
}

std::string TaggingDatabase::DatabaseFile() const
{
    std::string configured = m_strDatabaseFile;
    if (configured.empty())
        configured = (m_pSettings ? m_pSettings->DatabasePath : std::string()) + LoadResString(105);
    // Resolved once per configured path, before anything is locked: every
    // spelling of the file (and a link to it) locks and replaces the same file.
    if (configured != m_strConfiguredFile) {
        m_strConfiguredFile = configured;
        m_strResolvedFile = files::ResolveLinks(configured);
    }
    return m_strResolvedFile;
}

const std::string& TaggingDatabase::LastError() const
{
    return LastDatabaseWarning();
}

const std::string& TaggingDatabase::RecoveredFile() const
{
    return m_file.RecoveredFile();
}

bool TaggingDatabase::Open()
{
    Load(false);
    return true;
}

void TaggingDatabase::Load(bool bLocked, bool bIndentedRoot)
{
    DropTree();
    const std::string path = DatabaseFile();
    // Read into a fresh index: when the file cannot be read (an I/O error, say),
    // queries go on with the records they had instead of an empty database, so
    // that nothing built on a query's answer drops the stored tags. Changes never
    // write from it: they read the file again first.
    TagIndex fresh;
    const auto parse = [&](int fd, std::string& error) {
        return ReadDatabase(fd, path, fresh, error, bIndentedRoot);
    };
    if (m_file.Load(path, bLocked, parse) == quillmark::DatabaseFile::Loaded::File)
        m_index = std::move(fresh);
    else if (!m_file.ReadFailed())
        m_index.Clear();
}

bool TaggingDatabase::RefreshIfChanged(bool bLocked)
{
    // A file that could not be read is tried again: the failure may have passed.
    if (m_file.Changed(DatabaseFile()) || m_file.ReadFailed())
        Load(bLocked);
    return true;
}

bool TaggingDatabase::ApplyChange(Change& change)
{
    const std::string path = DatabaseFile();
    const auto lock = m_file.LockForChange(path);
    if (!lock)
        return false;
    // A file that could not be moved aside earlier gets another try now.
    if (m_file.Blocked())
        Load(true);
    else
        RefreshIfChanged(true);
    if (m_file.Blocked()) {
        WarnDatabase("the unreadable tag database \"" + path + "\" is not overwritten");
        m_file.Forget();
        return false;
    }
    if (WritesFromPieces() ? WritePieces(change) : WriteTree(change))
        return true;
    // Nothing unsaved is ever shown as stored: read the file again at the next access.
    m_file.Forget();
    DropTree();
    return false;
}

bool TaggingDatabase::WriteTree(Change& change)
{
    const std::string path = DatabaseFile();
    if (!m_pTree) {
        std::string error;
        m_pTree = files::GetFileStamp(path).exists ? tree::Read(path, error) : tree::NewEmpty();
        if (!m_pTree) {
            WarnDatabase(error.empty() ? "out of memory" : error);
            return false;
        }
    }
    bool changed = true;
    switch (change.kind) {
    case Change::Write: changed = tree::WriteRecord(m_pTree, change.key, *change.item); break;
    case Change::Preview: changed = tree::SetPreviewDate(m_pTree, change.key, change.previewDate); break;
    case Change::Remove: tree::RemoveRecord(m_pTree, change.key); break;
    case Change::Save: break;
    }
    if (!changed)
        return false;
    std::string bytes;
    if (!tree::Serialize(m_pTree, bytes)) {
        WarnDatabase("cannot serialise the tag database");
        return false;
    }
    if (!m_file.Replace(path, bytes))
        return false;
    // Index the file just written. The tree stays what the formatter goes on
    // from: its layout decides how later records are written.
    xmlDoc* tree = m_pTree;
    m_pTree = nullptr;
    Load(true, !tree::RootHoldsText(tree));
    if (m_index.m_bCanonical && !m_bTreeWriter)
        xmlFreeDoc(tree);
    else
        m_pTree = tree;
    return true;
}

// Writes the new file as runs of the current one around the changed record,
// and updates the index to match, without reading the file again.
bool TaggingDatabase::WritePieces(Change& change)
{
    const std::string path = DatabaseFile();
    const bool indented = m_index.m_layout == TagIndex::Layout::Indented;
    const std::int32_t target = change.kind == Change::Save ? -1 : m_index.First(change.key);
    if (change.kind == Change::Preview && target < 0)
        return false;
    const bool removes = target >= 0 && (change.kind == Change::Write || change.kind == Change::Remove);
    const bool appends = change.kind == Change::Write;
    const std::size_t live = m_index.LiveCount();
    const std::size_t after = live - (removes ? 1 : 0) + (appends ? 1 : 0);
    const std::uint64_t size = m_index.m_fileSize;
    const std::uint64_t rootClose = size >= kRootCloseLength ? size - kRootCloseLength : 0;

    // The record written: a new one, or the old one with a new preview date.
    AttrList attrs;
    std::array<std::string, kAttrCount> values;
    std::string marked;
    std::string record;
    std::uint32_t startTag = 0;
    std::uint64_t keptContent = 0; // bytes of the old record's content kept after its new start tag
    if (appends) {
        const FileItem& item = *change.item;
        values[kMd5] = change.key;
        values[kPath] = item.path;
        const std::array<std::pair<Attr, Time>, 4> dates = {{{kThumbWriteDate, item.previewDate},
                                                             {kWriteDate, item.writeDate},
                                                             {kCreateDate, item.createDate},
                                                             {kAccessDate, item.accessDate}}};
        values[kType] = tree::TypeOfPath(item.path);
        attrs.Set(kMd5, values[kMd5]);
        attrs.Set(kPath, values[kPath]);
        for (const auto& [attr, time] : dates) {
            values[attr] = time != 0 ? FormatDate(time) : std::string();
            if (!values[attr].empty())
                attrs.Set(attr, values[attr]);
        }
        attrs.Set(kType, values[kType]);
        AppendStartTag(record, attrs);
        startTag = static_cast<std::uint32_t>(record.size() + (item.tags.empty() ? 2 : 1));
        record.clear();
        AppendNewRecord(record, attrs, item.tags, indented);
        for (const std::string& tag : item.tags) {
            marked += tag;
            marked += TagIndex::kTagMark;
        }
    } else if (change.kind == Change::Preview) {
        const TagIndex::Record& old = m_index.Records()[static_cast<std::uint32_t>(target)];
        attrs = m_index.Attributes(static_cast<std::uint32_t>(target));
        attrs.Remove(kThumbWriteDate);
        values[kThumbWriteDate] = change.previewDate != 0 ? FormatDate(change.previewDate) : std::string();
        if (!values[kThumbWriteDate].empty())
            attrs.Set(kThumbWriteDate, values[kThumbWriteDate]);
        const bool empty = old.startTag == old.end - old.begin;
        AppendStartTag(record, attrs);
        record += empty ? "/>" : ">";
        startTag = static_cast<std::uint32_t>(record.size());
        keptContent = empty ? 0 : old.end - old.begin - old.startTag;
    }

    static const std::string kIndent = "  ", kNewline = "\n";
    const std::string emptyRoot = std::string(kXmlDeclaration) + "<documents/>\n";
    const std::string firstOpen = std::string(kXmlDeclaration) + "<documents>\n  ";
    const std::string firstClose = "\n</documents>\n";
    std::vector<Piece> pieces;
    std::size_t recordPiece = SIZE_MAX;
    auto copy = [&](std::uint64_t from, std::uint64_t to) {
        if (to > from)
            pieces.push_back({from, to - from, nullptr});
    };
    auto literal = [&](const std::string& text) { pieces.push_back({0, text.size(), &text}); };
    auto literalRecord = [&] {
        recordPiece = pieces.size();
        literal(record);
    };
    if (indented && after == 0) {
        literal(emptyRoot);
    } else if (indented && live == 0) {
        literal(firstOpen);
        literalRecord();
        literal(firstClose);
    } else {
        std::uint64_t cutBegin = 0, cutEnd = 0;
        if (removes) {
            const TagIndex::Record& old = m_index.Records()[static_cast<std::uint32_t>(target)];
            cutBegin = indented ? old.begin - 2 : old.begin;
            cutEnd = indented ? old.end + 1 : old.end;
        }
        switch (change.kind) {
        case Change::Write:
            if (removes) {
                copy(0, cutBegin);
                copy(cutEnd, rootClose);
            } else {
                copy(0, rootClose);
            }
            if (indented)
                literal(kIndent);
            literalRecord();
            if (indented)
                literal(kNewline);
            copy(rootClose, size);
            break;
        case Change::Remove:
            if (removes) {
                copy(0, cutBegin);
                copy(cutEnd, size);
            } else {
                copy(0, size);
            }
            break;
        case Change::Save:
            copy(0, size);
            break;
        case Change::Preview: {
            const TagIndex::Record& old = m_index.Records()[static_cast<std::uint32_t>(target)];
            copy(0, old.begin);
            literalRecord();
            copy(keptContent > 0 ? old.begin + old.startTag : old.end, size);
            break;
        }
        }
    }
    if (!m_file.ReplaceFromPieces(path, pieces))
        return false;

    // Where each piece went, and so where every kept record now stands.
    std::vector<std::uint64_t> placed(pieces.size());
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        placed[i] = total;
        total += pieces[i].length;
    }
    std::vector<TagIndex::Record>& records = m_index.Records();
    for (std::uint32_t i = 0; i < records.size(); ++i) {
        TagIndex::Record& entry = records[i];
        if (!entry.live || static_cast<std::int32_t>(i) == target)
            continue;
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            const Piece& piece = pieces[p];
            if (!piece.literal && piece.offset <= entry.begin && entry.end <= piece.offset + piece.length) {
                const std::uint64_t begin = entry.begin - piece.offset + placed[p];
                entry.end = entry.end - entry.begin + begin;
                entry.begin = begin;
                break;
            }
        }
    }
    if (change.kind == Change::Preview) {
        const auto number = static_cast<std::uint32_t>(target);
        m_index.SetAttributes(number, attrs);
        TagIndex::Record& entry = m_index.Records()[number];
        entry.begin = placed[recordPiece];
        entry.startTag = startTag;
        entry.end = entry.begin + record.size() + keptContent;
    }
    if (removes)
        m_index.Remove(static_cast<std::uint32_t>(target));
    if (appends) {
        const std::uint32_t number = m_index.Append(attrs, marked);
        TagIndex::Record& entry = m_index.Records()[number];
        entry.begin = placed[recordPiece];
        entry.end = entry.begin + record.size();
        entry.startTag = startTag;
    }
    m_index.m_fileSize = total;
    m_index.m_rootClose = total >= kRootCloseLength ? total - kRootCloseLength : 0;
    m_index.CompactIfSparse();
    return true;
}

bool TaggingDatabase::Save()
{
    Change change; // nothing to change: the file is rewritten from its current content
    return ApplyChange(change);
}

TagSet TaggingDatabase::GetAllTags()
{
    RefreshIfChanged(false);
    // Sorted and made distinct as views first, so that each tag is copied once
    // and the set is filled in order.
    std::vector<std::string_view> all;
    const auto& records = m_index.Records();
    for (std::uint32_t i = 0; i < records.size(); ++i) {
        if (!records[i].live)
            continue;
        ForEachTag(m_index.MarkedTags(i), [&](std::string_view tag, bool isTag) {
            if (isTag)
                all.push_back(tag);
        });
    }
    std::sort(all.begin(), all.end(), TagLess());
    TagSet tags;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i == 0 || TagLess()(all[i - 1], all[i]))
            tags.emplace_hint(tags.end(), all[i]);
    return tags;
}

FileItem TaggingDatabase::GetFileItem(const std::string& path)
{
    FileItem item;
    RefreshIfChanged(false);
    std::int32_t record = m_index.First(GetMd5Hex(path));
    if (record < 0)
        return item;
    item.writeDate = m_index.WriteDate(static_cast<std::uint32_t>(record));
    // The tags of every record with the key, in file order.
    for (; record >= 0; record = m_index.NextSameKey(static_cast<std::uint32_t>(record))) {
        ForEachTag(m_index.MarkedTags(static_cast<std::uint32_t>(record)), [&](std::string_view tag, bool isTag) {
            if (isTag)
                item.tags.emplace_back(tag);
        });
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
    if (!WriteFileItem(item))
        return false;
    // The file keeps its tags where the desktop looks for them too; where it
    // cannot, nothing else changes.
    if (WritesFileSystemTags())
        fstags::Write(path, tags);
    return true;
}

bool TaggingDatabase::WritesFileSystemTags() const
{
    return m_pSettings ? m_pSettings->WriteFileSystemTags != 0 : m_bFileSystemTags;
}

bool TaggingDatabase::WriteFileItem(const FileItem& item)
{
    std::string why;
    if (!StorableItem(item, why)) {
        WarnDatabase(why);
        return false;
    }
    Change change;
    change.kind = Change::Write;
    change.key = GetMd5Hex(item.path);
    change.item = &item;
    return ApplyChange(change);
}

bool TaggingDatabase::SetPreviewDate(const FileItem& item)
{
    Change change;
    change.kind = Change::Preview;
    change.key = item.md5;
    change.previewDate = item.previewDate;
    return ApplyChange(change);
}

bool TaggingDatabase::RemoveDocument(const std::string& path)
{
    Change change;
    change.kind = Change::Remove;
    change.key = GetMd5Hex(path);
    return ApplyChange(change);
}

ResultList TaggingDatabase::GetAllDocuments(const TypeList& types)
{
    return FindDocuments(std::string(), types);
}

FileItem TaggingDatabase::ListedItem(std::uint32_t record) const
{
    FileItem item;
    item.path = m_index.Value(record, kPath);
    item.name = files::NameOf(item.path);
    item.md5 = m_index.Value(record, kMd5);
    item.previewDate = m_index.PreviewDate(record);
    const std::string_view marked = m_index.MarkedTags(record);
    item.tags.reserve(static_cast<std::size_t>(std::count_if(marked.begin(), marked.end(), [](char c) {
        return c == TagIndex::kTagMark || c == TagIndex::kOtherMark;
    })));
    ForEachTag(m_index.MarkedTags(record), [&](std::string_view tag, bool) { item.tags.emplace_back(tag); });
    return item;
}

ResultList TaggingDatabase::FindDocuments(const std::string& searchText, const TypeList& types)
{
    ResultList results;
    RefreshIfChanged(false);
    // The type test: a case-sensitive substring of the record's type.
    const auto typeMatches = [&](std::uint32_t record) {
        if (types.empty())
            return true;
        const std::string_view type = m_index.Value(record, kType);
        for (const std::string& wanted : types)
            if (type.find(wanted) != std::string_view::npos)
                return true;
        return false;
    };
    const auto take = [&](std::uint32_t record) {
        if (m_index.Records()[record].live && typeMatches(record))
            results.push_back(ListedItem(record));
    };
    if (searchText.empty()) {
        for (std::uint32_t i = 0; i < m_index.Records().size(); ++i)
            take(i);
    } else {
        m_index.Search(FoldCase(searchText), take);
    }
    return results;
}

ResultList TaggingDatabase::FindDocuments(const std::vector<std::string>& texts, const std::string& nameText,
                                          const TypeList& types)
{
    // The index finds the records holding the first text; the others are
    // checked in the few records it found.
    ResultList results = FindDocuments(texts.empty() ? std::string() : texts.front(), types);
    std::vector<std::string> folded;
    for (std::size_t i = 1; i < texts.size(); ++i)
        folded.push_back(FoldCase(texts[i]));
    const std::string foldedName = FoldCase(nameText);
    std::erase_if(results, [&](const FileItem& item) {
        if (!foldedName.empty() && FoldCase(item.name).find(foldedName) == std::string::npos)
            return true;
        for (const std::string& text : folded) {
            const bool held = std::any_of(item.tags.begin(), item.tags.end(), [&](const std::string& tag) {
                return FoldCase(tag).find(text) != std::string::npos;
            });
            if (!held)
                return true;
        }
        return false;
    });
    return results;
}

bool TaggingDatabase::HasRecord(const std::string& path)
{
    RefreshIfChanged(false);
    return m_index.First(GetMd5Hex(path)) >= 0;
}

} // namespace quillmark
