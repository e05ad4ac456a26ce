// The quillmark command line: its arguments parsed, the database opened, the command run.
#include "cli/runner.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/scan.h"
#include "platform/files/paths.h"
#include "platform/shell/temporaryfolder.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"

using namespace quillmark;
using namespace quillmark::cli;

namespace {

// A path naming a file: an empty one names none.
const CLI::Validator kNonEmpty(
    [](std::string& value) { return value.empty() ? std::string("the path is empty") : std::string(); },
    "NONEMPTY");

// `path` made absolute; false (with a message) when the working folder is unknown.
bool FullPathOf(const std::string& path, std::string& full)
{
    full = files::MakeFullPath(path);
    if (!full.empty() || path.empty())
        return true;
    std::cerr << "quillmark: cannot make \"" << path
              << "\" absolute: the working folder is not available: " << std::strerror(errno) << "\n";
    return false;
}

bool FullPathsOf(const std::vector<std::string>& paths, std::vector<std::string>& full)
{
    full.clear();
    for (const std::string& path : paths) {
        std::string one;
        if (!FullPathOf(path, one))
            return false;
        full.push_back(std::move(one));
    }
    return true;
}

// Files in the temporary folder are not tagged, as in the office.
bool RefusesTemporary(const std::vector<std::string>& fullPaths)
{
    bool bRefused = false;
    for (const std::string& path : fullPaths) {
        if (shell::IsInTemporaryFolder(path)) {
            std::cerr << "quillmark: " << path << " is in the temporary folder; files there are not tagged\n";
            bRefused = true;
        }
    }
    return bRefused;
}

// The position of the command word in argv (0 when there is none): the first
// argument that is neither an option nor the value of --db.
int CommandIndex(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--db") {
            ++i;
            continue;
        }
        if (arg == "--")
            return i + 1 < argc ? i + 1 : 0;
        if (!arg.starts_with("-"))
            return i;
    }
    return 0;
}

} // namespace

int quillmark::cli::RunCommandLine(int argc, char** argv, files::FileSystem& fs)
{
    CLI::App app{"quillmark: tag files and find them again by tag"};
    app.name("quillmark");
    app.require_subcommand(1);
    app.fallthrough();

    std::string dbFile;
    app.add_option("--db", dbFile, "Tag database file (default: the one the settings name)");

    std::string path, tagsText, oldTag, newTag, nameText;
    std::vector<std::string> paths, searchTexts, types, folders;
    bool bCount = false, bDryRun = false, bPrune = false;

    CLI::App* tag = app.add_subcommand("tag", "Store TAGS (comma-separated, as typed) for PATH, replacing its tags");
    tag->add_option("PATH", path, "File to tag")->required()->check(kNonEmpty);
    tag->add_option("TAGS", tagsText, "Tags, separated by commas")->required();

    CLI::App* add = app.add_subcommand("add", "Add TAGS to each PATH's tags: quillmark add PATH... -- TAGS...");
    add->add_option("PATH", paths, "Files to tag (the tags follow --)")->required()->check(kNonEmpty);
    add->footer("The tags follow --, each argument one tag or several separated by commas.\n"
                "Example: quillmark add report.docx plan.odp -- budget \"2025, draft\"");

    CLI::App* untag = app.add_subcommand(
        "untag", "Remove TAGS (exact match) from each PATH's tags: quillmark untag PATH... -- TAGS...");
    untag->add_option("PATH", paths, "Files to untag (the tags follow --)")->required()->check(kNonEmpty);
    untag->footer("The tags follow --; each is removed where it is held exactly so.\n"
                  "Example: quillmark untag report.docx -- draft");

    CLI::App* renameTag = app.add_subcommand(
        "rename-tag", "Rename the tag OLD to NEW in every record (a record holding both keeps one)");
    renameTag->add_option("OLD", oldTag, "Tag to rename (exact match)")->required();
    renameTag->add_option("NEW", newTag, "Its new name (may differ only in letter case)")->required();

    CLI::App* show = app.add_subcommand("show", "Print the stored tags of PATH, one per line");
    show->add_option("PATH", path, "File whose tags to print")->required()->check(kNonEmpty);

    CLI::App* tags = app.add_subcommand("tags", "Print every distinct tag, one per line");
    tags->add_flag("--count", bCount, "Follow each tag with a tab and the number of records holding it");

    CLI::App* find = app.add_subcommand(
        "find", "Print the records whose tags contain every TEXT (case ignored): PATH<TAB>TAGS");
    find->add_option("TEXT", searchTexts, "Texts to look for, each in some tag (default: every record)");
    find->add_option("--name", nameText, "Only records whose file name contains NAME (case ignored)");
    find->add_option("--type", types, "Only records whose type contains T (repeatable)")
        ->type_size(1)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    CLI::App* remove = app.add_subcommand("remove", "Remove the record of PATH");
    remove->add_option("PATH", path, "File whose record to remove")->required()->check(kNonEmpty);

    CLI::App* scan = app.add_subcommand(
        "scan", "Bring the database in step with the documents in FOLDER...: add their tags, find moved files");
    scan->add_option("FOLDER", folders, "Folders to scan (links are not followed)")->required()->check(kNonEmpty);
    scan->add_flag("--dry-run", bDryRun, "Report what would change and change nothing");
    scan->add_flag("--prune", bPrune, "Remove the records of missing files that were not found again");

    CLI::App* fingerprint = app.add_subcommand("fingerprint", "Print the fingerprint (MD5) of PATH");
    fingerprint->add_option("PATH", path, "Path to fingerprint")->required();

    // An unknown command is named, not reported as an unexpected argument.
    const int command = CommandIndex(argc, argv);
    if (command > 0) {
        const std::string word = argv[command];
        const auto& known = app.get_subcommands([](CLI::App*) { return true; });
        if (std::none_of(known.begin(), known.end(), [&](const CLI::App* sub) { return sub->get_name() == word; })) {
            std::cerr << "quillmark: unknown command \"" << word << "\"\nRun quillmark --help for the commands.\n";
            return kUsage;
        }
    }

    // add and untag take their tags after "--": everything after it is a tag.
    std::vector<char*> args(argv, argv + argc);
    std::vector<std::string> tagArgs;
    bool bTagsGiven = false;
    if (command > 0 && (std::string_view(argv[command]) == "add" || std::string_view(argv[command]) == "untag")) {
        const auto dash = std::find_if(args.begin() + command + 1, args.end(),
                                       [](const char* arg) { return std::string_view(arg) == "--"; });
        if (dash != args.end()) {
            bTagsGiven = true;
            for (auto it = dash + 1; it != args.end(); ++it)
                tagArgs.emplace_back(*it);
            args.erase(dash, args.end());
        }
    }

    try {
        app.parse(static_cast<int>(args.size()), args.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }
    if ((add->parsed() || untag->parsed()) && !bTagsGiven) {
        std::cerr << "quillmark: the tags follow \"--\": quillmark " << (add->parsed() ? "add" : "untag")
                  << " PATH... -- TAGS...\n";
        return kUsage;
    }

    std::string fullPath;
    if (!FullPathOf(path, fullPath))
        return kFailure;
    if (fingerprint->parsed())
        return FingerprintCommand(fullPath, std::cout);
    std::vector<std::string> fullPaths;
    if (!FullPathsOf(scan->parsed() ? folders : paths, fullPaths))
        return kFailure;
    if ((tag->parsed() && RefusesTemporary({fullPath})) || ((add->parsed() || untag->parsed()) &&
                                                             RefusesTemporary(fullPaths)))
        return kFailure;

    // Only commands that change something may write the registry.
    const bool bChanges = tag->parsed() || remove->parsed() || add->parsed() || untag->parsed() ||
                          renameTag->parsed() || scan->parsed();
    AppSettings settings;
    TaggingDatabase db(fs);
    if (dbFile.empty()) {
        if (!settings.Load(bChanges) || settings.DatabasePath.empty()) {
            std::cerr << "quillmark: the settings give no database folder; name the database with --db FILE\n";
            return kFailure;
        }
        db.m_pSettings = &settings;
    } else {
        std::string fullDbFile;
        if (!FullPathOf(dbFile, fullDbFile))
            return kFailure;
        db.SetDatabaseFile(fullDbFile);
        // The settings still say whether files get their tags as file-system tags.
        if (bChanges) {
            AppSettings preferences;
            if (preferences.Load(false))
                db.SetWritesFileSystemTags(preferences.WriteFileSystemTags != 0);
        }
    }
    // A command may wait for other writers longer than a host's user-interface
    // thread does: it is run to make its change, and says when it gave up.
    db.SetLockWait(kCommandLockWaitMs);
    // A query changes no file, not even an unreadable database: it says why and fails.
    db.Open(bChanges);

    if (tag->parsed())
        return TagCommand(db, fullPath, tagsText, std::cout, std::cerr);
    if (add->parsed())
        return AddCommand(db, fullPaths, tagArgs, std::cout, std::cerr);
    if (untag->parsed())
        return UntagCommand(db, fullPaths, tagArgs, std::cout, std::cerr);
    if (renameTag->parsed())
        return RenameTagCommand(db, oldTag, newTag, std::cout, std::cerr);
    if (show->parsed())
        return ShowCommand(db, fullPath, std::cout, std::cerr);
    if (tags->parsed())
        return TagsCommand(db, std::cout, std::cerr, bCount);
    if (find->parsed())
        return FindCommand(db, searchTexts, nameText, types, std::cout, std::cerr);
    if (remove->parsed())
        return RemoveCommand(db, fullPath, std::cout, std::cerr);
    if (scan->parsed()) {
        ScanOptions options;
        options.folders = fullPaths;
        options.bDryRun = bDryRun;
        options.bPrune = bPrune;
        options.bProgress = ::isatty(STDOUT_FILENO) == 1;
        return ScanCommand(db, options, std::cout, std::cerr, std::cout);
    }
    return kUsage;
}
