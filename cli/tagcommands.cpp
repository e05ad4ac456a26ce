// add, untag and rename-tag: changes to many records, each command in one save.
#include "cli/commands.h"

#include "platform/files/files.h"
#include "store/filesystemtags.h"
#include "store/recordbatch.h"
#include "store/tagunion.h"

#include <algorithm>
#include <map>
#include <set>

namespace quillmark::cli {

namespace {

// The tags named by the arguments: each split on commas as typed tag text is.
TagList TagsOfArguments(const std::vector<std::string>& arguments)
{
    TagList tags;
    for (const std::string& argument : arguments)
        for (std::string& tag : SplitTags(argument))
            tags.push_back(std::move(tag));
    return tags;
}

// The record of `path` after `change`, with the file's current dates (as
// storing tags records them); the preview date stays, previews do not change.
FileItem Restamped(files::FileSystem& fs, FileItem item)
{
    if (const auto times = files::GetFileTimes(fs, item.path)) {
        item.writeDate = times->writeTime;
        item.accessDate = times->accessTime;
        item.createDate = times->createTime;
    }
    return item;
}

// Copies the stored tags of the changed records to their files' own tags.
void WriteFileSystemTags(const TaggingDatabase& db, const std::vector<FileItem>& changed)
{
    if (!db.WritesFileSystemTags())
        return;
    for (const FileItem& item : changed)
        if (files::IsRegularFile(db.Fs(), item.path))
            fstags::Write(db.Fs(), item.path, item.tags);
}

bool Saved(TaggingDatabase& db, bool bOk, std::ostream& err)
{
    if (!bOk)
        err << "quillmark: could not save the tag database " << db.DatabaseFile() << ": " << db.LastError() << "\n";
    return bOk;
}

} // namespace

int AddCommand(TaggingDatabase& db, const std::vector<std::string>& fullPaths, const std::vector<std::string>& tags,
               std::ostream& /*out*/, std::ostream& err)
{
    const TagList added = TagsOfArguments(tags);
    if (added.empty()) {
        err << "quillmark: nothing added: no tag was given after --\n";
        return kFailure;
    }
    for (const std::string& path : fullPaths)
        if (!files::Exists(db.Fs(), path))
            err << "quillmark: warning: " << path << " does not exist; its tags are stored without file dates\n";
    std::vector<FileItem> changed;
    bool bRefused = false;
    const bool bOk = db.ChangeRecords([&](RecordBatch& batch) {
        std::map<std::string, std::size_t> byKey; // first record of each fingerprint
        for (std::size_t i = 0; i < batch.Records().size(); ++i)
            byKey.emplace(batch.Records()[i].md5, i);
        std::map<std::string, FileItem> pending; // new records, by fingerprint
        std::map<std::size_t, FileItem> replaced;
        std::vector<std::string> newOrder;
        for (const std::string& path : fullPaths) {
            const std::string key = db.GetMd5Hex(path);
            FileItem* item = nullptr;
            if (const auto found = byKey.find(key); found != byKey.end()) {
                auto [at, inserted] = replaced.try_emplace(found->second, batch.Records()[found->second]);
                item = &at->second;
                if (inserted)
                    item->path = path;
            } else {
                auto [at, inserted] = pending.try_emplace(key);
                item = &at->second;
                if (inserted) {
                    item->path = path;
                    newOrder.push_back(key);
                }
            }
            TagUnion unionTags(item->tags);
            for (const std::string& tag : added)
                unionTags.Add(tag);
            item->tags = unionTags.Tags();
        }
        for (auto& [index, item] : replaced) {
            FileItem stamped = Restamped(db.Fs(), std::move(item));
            bRefused |= !batch.Replace(index, stamped);
            changed.push_back(std::move(stamped));
        }
        for (const std::string& key : newOrder) {
            FileItem stamped = Restamped(db.Fs(), std::move(pending[key]));
            bRefused |= !batch.Add(stamped);
            changed.push_back(std::move(stamped));
        }
        if (bRefused)
            batch.Discard();
    });
    if (bRefused) {
        // Some record could not be stored: then none is (the batch is dropped).
        err << "quillmark: nothing stored: a tag or path cannot be stored (line breaks, control characters "
               "or bytes that are not UTF-8)\n";
        return kFailure;
    }
    if (!Saved(db, bOk, err))
        return kFailure;
    WriteFileSystemTags(db, changed);
    return kSuccess;
}

int UntagCommand(TaggingDatabase& db, const std::vector<std::string>& fullPaths,
                 const std::vector<std::string>& tags, std::ostream& /*out*/, std::ostream& err)
{
    const TagList removedList = TagsOfArguments(tags);
    if (removedList.empty()) {
        err << "quillmark: nothing removed: no tag was given after --\n";
        return kFailure;
    }
    const std::set<std::string> removed(removedList.begin(), removedList.end());
    std::vector<std::string> unknown;
    std::vector<FileItem> changed;
    const bool bOk = db.ChangeRecords([&](RecordBatch& batch) {
        unknown.clear();
        changed.clear();
        std::map<std::string, std::size_t> byKey;
        for (std::size_t i = 0; i < batch.Records().size(); ++i)
            byKey.emplace(batch.Records()[i].md5, i);
        std::set<std::size_t> done;
        for (const std::string& path : fullPaths) {
            const auto found = byKey.find(db.GetMd5Hex(path));
            if (found == byKey.end()) {
                unknown.push_back(path);
                continue;
            }
            if (!done.insert(found->second).second)
                continue;
            FileItem item = batch.Records()[found->second];
            const std::size_t before = item.tags.size();
            std::erase_if(item.tags, [&](const std::string& tag) { return removed.contains(tag); });
            if (item.tags.size() == before)
                continue;
            batch.Replace(found->second, item);
            changed.push_back(std::move(item));
        }
    });
    for (const std::string& path : unknown)
        err << "quillmark: no record for " << path << "\n";
    if (!Saved(db, bOk, err))
        return kFailure;
    WriteFileSystemTags(db, changed);
    return unknown.empty() ? kSuccess : kFailure;
}

int RenameTagCommand(TaggingDatabase& db, const std::string& oldText, const std::string& newText, std::ostream& out,
                     std::ostream& err)
{
    const std::string oldTag = TrimTag(oldText), newTag = TrimTag(newText);
    if (oldTag.empty() || newTag.empty()) {
        err << "quillmark: a tag cannot be empty\n";
        return kUsage;
    }
    if (newTag.find(',') != std::string::npos) {
        err << "quillmark: a tag cannot hold a comma: \"" << newTag << "\"\n";
        return kUsage;
    }
    if (oldTag == newTag) {
        err << "quillmark: nothing renamed: the new name is the old one\n";
        return kFailure;
    }
    std::vector<FileItem> changed;
    bool bRefused = false;
    const bool bOk = db.ChangeRecords([&](RecordBatch& batch) {
        changed.clear();
        for (std::size_t i = 0; i < batch.Records().size(); ++i) {
            const FileItem& record = batch.Records()[i];
            if (std::find(record.tags.begin(), record.tags.end(), oldTag) == record.tags.end())
                continue;
            FileItem item = record;
            item.tags.clear();
            bool bHasNew = false;
            for (const std::string& tag : record.tags) {
                const bool bIsNew = tag == oldTag || tag == newTag;
                if (bIsNew && bHasNew)
                    continue; // one of them stays, where the first stood
                bHasNew |= bIsNew;
                item.tags.push_back(bIsNew ? newTag : tag);
            }
            bRefused |= !batch.Replace(i, item);
            changed.push_back(std::move(item));
        }
        if (bRefused)
            batch.Discard();
    });
    if (bRefused) {
        err << "quillmark: nothing renamed: \"" << newTag << "\" cannot be stored as a tag\n";
        return kFailure;
    }
    if (!Saved(db, bOk, err))
        return kFailure;
    if (changed.empty()) {
        err << "quillmark: no record holds the tag \"" << oldTag << "\"\n";
        return kFailure;
    }
    WriteFileSystemTags(db, changed);
    out << "renamed \"" << oldTag << "\" to \"" << newTag << "\" in " << changed.size()
        << (changed.size() == 1 ? " record\n" : " records\n");
    return kSuccess;
}

} // namespace quillmark::cli
