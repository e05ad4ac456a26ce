// quillmark: the command-line tool over the tag database.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/files/paths.h"
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

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"quillmark: tag files and find them again by tag"};
    app.name("quillmark");
    app.require_subcommand(1);
    app.fallthrough();

    std::string dbFile;
    app.add_option("--db", dbFile, "Tag database file (default: the one the settings name)");

    std::string path, tagsText, searchText;
    std::vector<std::string> types;

    CLI::App* tag = app.add_subcommand("tag", "Store TAGS (comma-separated, as typed) for PATH");
    tag->add_option("PATH", path, "File to tag")->required()->check(kNonEmpty);
    tag->add_option("TAGS", tagsText, "Tags, separated by commas")->required();

    CLI::App* show = app.add_subcommand("show", "Print the stored tags of PATH, one per line");
    show->add_option("PATH", path, "File whose tags to print")->required()->check(kNonEmpty);

    CLI::App* tags = app.add_subcommand("tags", "Print every distinct tag, one per line");

    CLI::App* find = app.add_subcommand(
        "find", "Print the records whose tags contain TEXT (ASCII letters ignore case): PATH<TAB>TAGS");
    find->add_option("TEXT", searchText, "Text to look for (default: every record)");
    find->add_option("--type", types, "Only records whose type contains T (repeatable)")
        ->type_size(1)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

    CLI::App* remove = app.add_subcommand("remove", "Remove the record of PATH");
    remove->add_option("PATH", path, "File whose record to remove")->required()->check(kNonEmpty);

    CLI::App* fingerprint = app.add_subcommand("fingerprint", "Print the fingerprint (MD5) of PATH");
    fingerprint->add_option("PATH", path, "Path to fingerprint")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }

    std::string fullPath;
    if (!FullPathOf(path, fullPath))
        return kFailure;
    if (fingerprint->parsed())
        return FingerprintCommand(fullPath, std::cout);

    // Only commands that change something may write the registry.
    const bool bChanges = tag->parsed() || remove->parsed();
    AppSettings settings;
    TaggingDatabase db;
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
    }
    // A query changes no file, not even an unreadable database: it says why and fails.
    db.Open(bChanges);

    if (tag->parsed())
        return TagCommand(db, fullPath, tagsText, std::cout, std::cerr);
    if (show->parsed())
        return ShowCommand(db, fullPath, std::cout, std::cerr);
    if (tags->parsed())
        return TagsCommand(db, std::cout, std::cerr);
    if (find->parsed())
        return FindCommand(db, searchText, types, std::cout, std::cerr);
    if (remove->parsed())
        return RemoveCommand(db, fullPath, std::cout, std::cerr);
    return kUsage;
}
