#include "cli/scan.h"

#include "cli/commands.h"

#include "docprops/filematch.h"
#include "docprops/taglimits.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/shell/temporaryfolder.h"
#include "store/filesystemtags.h"
#include "store/recordbatch.h"
#include "store/tagunion.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

namespace quillmark::cli {

namespace {

using filematch::ContentCache;
using filematch::FoundFile;
using Clock = std::chrono::steady_clock;

// One line on a terminal, rewritten in place at most ten times a second.
class ProgressLine {
public:
    ProgressLine(bool bOn, std::ostream& out) : m_bOn(bOn), m_out(out) {}
    ~ProgressLine() { Clear(); }
    void Show(const char* doing, std::size_t done, std::size_t total, const std::string& path)
    {
        if (!m_bOn)
            return;
        const Clock::time_point now = Clock::now();
        if (m_bShown && now - m_last < std::chrono::milliseconds(100) && done != total)
            return;
        m_last = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        m_out << "\r\x1b[K" << doing << ' ' << done;
        if (total)
            m_out << '/' << total;
        m_out << " files";
        if (seconds > 0.5)
            m_out << ", " << static_cast<long>(static_cast<double>(done) / seconds) << " files/s";
        if (!path.empty()) {
            // The end of the path, which says most, kept to a terminal's width.
            const std::size_t room = 40;
            m_out << ": " << (path.size() > room ? "..." + path.substr(path.size() - room) : path);
        }
        m_out.flush();
        m_bShown = true;
    }
    void Clear()
    {
        if (m_bOn && m_bShown) {
            m_out << "\r\x1b[K";
            m_out.flush();
        }
        m_bShown = false;
    }

private:
    bool m_bOn;
    std::ostream& m_out;
    Clock::time_point m_start = Clock::now(), m_last;
    bool m_bShown = false;
};

// The documents below `root`, without following links, skipping the temporary
// folder. Folders that cannot be read are named in `problems`.
void Walk(const std::string& root, std::vector<std::string>& found, std::vector<std::string>& problems,
          ProgressLine& progress)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> folders = {fs::path(root)};
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        if (ec) {
            problems.push_back(folder.string() + ": " + ec.message());
            continue;
        }
        for (const fs::directory_iterator end; it != end; it.increment(ec)) {
            if (ec)
                break;
            const fs::file_status status = it->symlink_status(ec);
            if (ec) {
                ec.clear();
                continue;
            }
            const std::string path = it->path().string();
            if (fs::is_directory(status)) {
                if (!shell::IsInTemporaryFolder(path))
                    folders.push_back(it->path());
            } else if (fs::is_regular_file(status) && filematch::IsScannedDocument(path)) {
                found.push_back(path);
                progress.Show("finding", found.size(), 0, std::string());
            }
        }
        if (ec)
            problems.push_back(folder.string() + ": " + ec.message());
    }
}

struct ScannedFile {
    FoundFile facts;
    std::string key;
    files::FileTimes times;
};

// The record of a file as storing its tags makes it: the file's current dates;
// the preview date of the record it continues stays.
FileItem StoredItem(FileItem item, const std::string& path, const TagList& tags, const files::FileTimes& times)
{
    item.path = path;
    item.tags = tags;
    item.writeDate = times.writeTime;
    item.accessDate = times.accessTime;
    item.createDate = times.createTime;
    return item;
}

struct Plan {
    std::vector<FileItem> stored; // records whose tags were written: their files get the tags too
    std::vector<std::string> added, updated, missing, ambiguous;
    std::vector<std::pair<FileItem, std::string>> moved; // old record, new path
    std::vector<std::string> removedKeys;
    std::vector<std::string> limited; // "path: what the limits kept out"
    bool bRefused = false;
};

// What a file's tags may add to a record holding `held` (docprops/taglimits.h); a
// file that gave more than that is named in the plan.
TagList WithinLimits(const TagList& fileTags, const TagList& held, const std::string& path, Plan& plan)
{
    LimitedTags limited = LimitFileTags(fileTags, held);
    if (limited.Limited())
        plan.limited.push_back(path + ": " + std::to_string(limited.nCut) + " tags cut to " +
                               std::to_string(kMaxTagCharacters) + " characters, " +
                               std::to_string(limited.nLeftOut) + " left out beyond " +
                               std::to_string(kMaxTagsFromFile) + " tags; the file keeps them all");
    return std::move(limited.tags);
}

} // namespace

int ScanCommand(TaggingDatabase& db, const ScanOptions& options, std::ostream& out, std::ostream& err,
                std::ostream& progressOut)
{
    for (const std::string& folder : options.folders) {
        if (!files::IsDirectory(db.Fs(), folder)) {
            err << "quillmark: not a folder: " << folder << "\n";
            return kFailure;
        }
    }
    ProgressLine progress(options.bProgress, progressOut);
    std::vector<std::string> paths, problems;
    std::vector<std::string> roots;
    for (const std::string& folder : options.folders) {
        if (shell::IsInTemporaryFolder(folder)) {
            err << "quillmark: skipped " << folder << ": files in the temporary folder are not tagged\n";
            continue;
        }
        roots.push_back(folder);
        Walk(folder, paths, problems, progress);
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());

    ContentCache cache;
    const std::string cacheFile = ContentCache::FileFor(db.DatabaseFile());
    cache.Load(cacheFile);

    // Reading the files is the long part; the database is not locked meanwhile.
    std::vector<ScannedFile> scanned;
    std::vector<std::pair<std::string, std::string>> damaged;
    scanned.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        progress.Show("reading", i + 1, paths.size(), path);
        ScannedFile file;
        file.key = db.GetMd5Hex(path);
        std::string why;
        std::optional<TagList> tags = filematch::ReadFileTags(path, &why);
        if (tags)
            file.facts.content = ContentCache::Describe(path, cache.Find(file.key), &why);
        const auto times = files::GetFileTimes(db.Fs(), path);
        if (!tags || !file.facts.content || !times) {
            damaged.emplace_back(path, why.empty() ? "cannot be read" : why);
            continue;
        }
        file.facts.path = path;
        file.facts.name = std::filesystem::path(path).filename().string();
        file.facts.tags = std::move(*tags);
        file.times = *times;
        scanned.push_back(std::move(file));
    }
    progress.Show("saving", scanned.size(), paths.size(), std::string());

    Plan plan;
    const auto underRoots = [&](const std::string& path) {
        return std::any_of(roots.begin(), roots.end(),
                           [&](const std::string& root) { return files::IsInFolder(path, root); });
    };
    const bool bSaved = db.ChangeRecords([&](RecordBatch& batch) {
        plan = Plan();
        const ResultList& records = batch.Records();
        std::map<std::string, std::size_t> byKey; // the first record of each fingerprint
        for (std::size_t i = 0; i < records.size(); ++i)
            byKey.emplace(records[i].md5, i);

        // Files with a record take the tags they hold that it lacks.
        std::vector<std::size_t> fresh; // files without a record
        for (std::size_t i = 0; i < scanned.size(); ++i) {
            const ScannedFile& file = scanned[i];
            const auto found = byKey.find(file.key);
            if (found == byKey.end()) {
                fresh.push_back(i);
                continue;
            }
            const FileItem& record = records[found->second];
            bool bChanged = false;
            const TagUnion tags = TagUnion::ForOpenedDocument(
                record.tags, WithinLimits(file.facts.tags, record.tags, file.facts.path, plan),
                FileNameTag(file.facts.path), bChanged);
            if (!bChanged)
                continue;
            FileItem item = StoredItem(record, file.facts.path, tags.Tags(), file.times);
            plan.bRefused |= !batch.Replace(found->second, item);
            plan.updated.push_back(item.path);
            plan.stored.push_back(std::move(item));
        }

        // Records whose files are gone, and the new files that may be them.
        std::vector<std::size_t> gone;
        for (const auto& [key, index] : byKey)
            if (!files::Exists(db.Fs(), records[index].path))
                gone.push_back(index);
        std::sort(gone.begin(), gone.end());
        std::vector<FoundFile> freshFacts;
        for (const std::size_t i : fresh)
            freshFacts.push_back(scanned[i].facts);
        std::vector<std::vector<std::size_t>> candidates(gone.size());
        std::map<std::size_t, std::vector<std::size_t>> claims; // fresh file -> gone records
        for (std::size_t g = 0; g < gone.size(); ++g) {
            const FileItem& record = records[gone[g]];
            candidates[g] = filematch::Candidates(record, cache.Find(record.md5), freshFacts);
            for (const std::size_t f : candidates[g])
                claims[f].push_back(g);
        }
        std::set<std::size_t> taken; // fresh files moved to or left alone
        for (std::size_t g = 0; g < gone.size(); ++g) {
            const FileItem& record = records[gone[g]];
            if (candidates[g].empty()) {
                if (underRoots(record.path)) {
                    plan.missing.push_back(record.path);
                    if (options.bPrune) {
                        batch.Remove(gone[g]);
                        plan.removedKeys.push_back(record.md5);
                    }
                }
                continue;
            }
            const bool bOneToOne = candidates[g].size() == 1 && claims[candidates[g][0]].size() == 1;
            if (!bOneToOne) {
                std::string line = record.path + " could be";
                for (std::size_t n = 0; n < candidates[g].size(); ++n) {
                    const std::size_t f = candidates[g][n];
                    line += (n ? ", " : " ") + freshFacts[f].path;
                    taken.insert(f);
                }
                if (candidates[g].size() == 1)
                    line += " (which " + std::to_string(claims[candidates[g][0]].size()) + " records could be)";
                plan.ambiguous.push_back(line);
                continue;
            }
            const std::size_t f = candidates[g][0];
            taken.insert(f);
            const ScannedFile& file = scanned[fresh[f]];
            bool bChanged = false;
            const TagUnion tags = TagUnion::ForOpenedDocument(
                record.tags, WithinLimits(file.facts.tags, record.tags, file.facts.path, plan),
                FileNameTag(file.facts.path), bChanged);
            FileItem item = StoredItem(record, file.facts.path, tags.Tags(), file.times);
            plan.bRefused |= !batch.Replace(gone[g], item);
            plan.moved.emplace_back(record, item.path);
            plan.stored.push_back(std::move(item));
        }

        // The other new files get records, as opening them would give them.
        for (std::size_t f = 0; f < fresh.size(); ++f) {
            if (taken.contains(f))
                continue;
            const ScannedFile& file = scanned[fresh[f]];
            TagUnion tags(WithinLimits(file.facts.tags, {}, file.facts.path, plan));
            tags.Add(FileNameTag(file.facts.path));
            FileItem item = StoredItem(FileItem(), file.facts.path, tags.Tags(), file.times);
            plan.bRefused |= !batch.Add(item);
            plan.added.push_back(item.path);
            plan.stored.push_back(std::move(item));
        }
        if (options.bDryRun || plan.bRefused)
            batch.Discard();
    });
    progress.Clear();

    if (plan.bRefused) {
        err << "quillmark: nothing stored: a file's path or tags cannot be stored (line breaks, control "
               "characters or bytes that are not UTF-8)\n";
        return kFailure;
    }
    if (!bSaved) {
        err << "quillmark: could not save the tag database " << db.DatabaseFile() << ": " << db.LastError() << "\n";
        return kFailure;
    }

    if (!options.bDryRun) {
        // Previews follow their presentation's fingerprint.
        std::string databaseFolder = files::FolderOf(db.DatabaseFile());
        if (!databaseFolder.ends_with('/')) databaseFolder += '/';
        for (const auto& [record, newPath] : plan.moved) {
            const std::string from = databaseFolder + record.md5;
            const std::string to = databaseFolder + db.GetMd5Hex(newPath);
            std::string why;
            if (files::IsDirectory(db.Fs(), from) && !files::RenameNoReplace(db.Fs(), from, to, &why))
                err << "quillmark: warning: the previews of " << newPath << " stay in " << from << ": " << why
                    << "\n";
        }
        if (db.WritesFileSystemTags())
            for (const FileItem& item : plan.stored)
                fstags::Write(db.Fs(), item.path, item.tags);
        // What was learnt of each file's content, for finding it after a later move.
        for (const ScannedFile& file : scanned)
            cache.Set(file.key, *file.facts.content);
        for (const auto& [record, newPath] : plan.moved)
            cache.Erase(record.md5);
        for (const std::string& key : plan.removedKeys)
            cache.Erase(key);
        std::string why;
        if (!cache.Save(cacheFile, &why))
            err << "quillmark: warning: " << cacheFile << " not written: " << why << "\n";
    }

    for (const std::string& path : plan.added)
        out << "added: " << path << "\n";
    for (const std::string& path : plan.updated)
        out << "updated: " << path << "\n";
    for (const auto& [record, newPath] : plan.moved)
        out << "moved: " << record.path << " -> " << newPath << "\n";
    for (const std::string& line : plan.ambiguous)
        out << "ambiguous: " << line << "\n";
    for (const std::string& path : plan.missing)
        out << (options.bPrune && !options.bDryRun ? "removed: " : "missing: ") << path << "\n";
    for (const auto& [path, why] : damaged)
        out << "damaged: " << path << ": " << why << "\n";
    for (const std::string& line : plan.limited)
        out << "limited: " << line << "\n";
    for (const std::string& problem : problems)
        err << "quillmark: cannot read the folder " << problem << "\n";

    out << (options.bDryRun ? "dry run, nothing changed: " : "") << paths.size() << " files read, "
        << plan.added.size() << " added, " << plan.updated.size() << " updated, " << plan.moved.size() << " moved, "
        << plan.missing.size() << " missing";
    if (options.bPrune)
        out << " (" << (options.bDryRun ? 0 : plan.missing.size()) << " removed)";
    out << ", " << plan.ambiguous.size() << " ambiguous, " << damaged.size() << " damaged\n";
    return problems.empty() ? kSuccess : kFailure;
}

} // namespace quillmark::cli
