// add, untag, rename-tag, tags --count and find from outside, their refusals,
// and the same commands over 10,000 records checked against the file itself.
#include "tests/cli/commandfixture.h"
#include "tests/support/faultyfilesystem.h"
#include "tests/support/getfattr.h"

#include "cli/commands.h"
#include "platform/files/filesystem.h"
#include "store/recordbatch.h"
#include "store/taggingdatabase.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>
#include <random>

namespace quillmark::test {
namespace {

class TagManagement : public CommandTest {
protected:
    std::string Show(const std::string& path) const { return Run({"show", path}).out; }
};

TEST_F(TagManagement, AddUntagRenameCountAndFindAsDocumented)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    const std::string b = dir.WriteFile("b.odt", "y");
    ASSERT_EQ(Run({"tag", a, "p, x"}).exitCode, 0);
    EXPECT_EQ(GetFattrTags(a), "p,x");

    // add: the tags a record lacks go after its own; a file without one gets one.
    ProcessResult add = Run({"add", "a.doc", b, "--", "x", "y, z", "y"});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(Show(a), "p\nx\ny\nz\n");
    EXPECT_EQ(Show(b), "x\ny\nz\n");
    EXPECT_EQ(GetFattrTags(a), "p,x,y,z");
    // Records keep their places.
    EXPECT_EQ(Run({"find"}).out, a + "\tp, x, y, z\n" + b + "\tx, y, z\n");

    // untag: exact matches go; an unknown file is named and fails, the others change.
    ProcessResult untag = Run({"untag", a, dir / "ghost.doc", "--", "x", "Z", "nothere"});
    EXPECT_EQ(untag.exitCode, 1);
    EXPECT_TRUE(Has(untag.err, "no record for " + dir / "ghost.doc")) << untag.err;
    EXPECT_EQ(Show(a), "p\ny\nz\n");
    EXPECT_EQ(GetFattrTags(a), "p,y,z");

    // rename-tag: every record; one that holds both keeps one, where the first stood.
    const std::string c = dir.WriteFile("c.doc", "z");
    ASSERT_EQ(Run({"tag", c, "z, k, p, y"}).exitCode, 0);
    ProcessResult rename = Run({"rename-tag", "p", "y"});
    EXPECT_EQ(rename.exitCode, 0) << rename.err;
    EXPECT_EQ(rename.out, "renamed \"p\" to \"y\" in 2 records\n");
    EXPECT_EQ(Show(a), "y\nz\n");
    EXPECT_EQ(Show(c), "z\nk\ny\n");
    EXPECT_EQ(Show(b), "x\ny\nz\n");
    EXPECT_EQ(GetFattrTags(c), "z,k,y");
    // Letter case alone may change; the same name, or a tag nobody holds, is refused.
    EXPECT_EQ(Run({"rename-tag", "z", "Z"}).out, "renamed \"z\" to \"Z\" in 3 records\n");
    ProcessResult same = Run({"rename-tag", "Z", " Z "});
    EXPECT_EQ(same.exitCode, 1);
    EXPECT_FALSE(same.err.empty());
    ProcessResult nobody = Run({"rename-tag", "nobody", "x"});
    EXPECT_EQ(nobody.exitCode, 1);
    EXPECT_TRUE(Has(nobody.err, "no record holds the tag \"nobody\"")) << nobody.err;
    EXPECT_EQ(Run({"rename-tag", "x", "a, b"}).exitCode, 2);

    // tags --count: each tag, a tab, the number of records holding it.
    EXPECT_EQ(Run({"tags", "--count"}).out, "Z\t3\nk\t1\nx\t1\ny\t3\n");
    EXPECT_EQ(Run({"tags"}).out, "Z\nk\nx\ny\n");

    // find: every text in some tag; --name in the file name; case ignored.
    EXPECT_EQ(Run({"find", "z", "X"}).out, b + "\tx, y, Z\n");
    EXPECT_EQ(Run({"find", "y", "--name", "C.D"}).out, c + "\tZ, k, y\n");
    EXPECT_EQ(Run({"find", "--name", ".odt"}).out, b + "\tx, y, Z\n");
    EXPECT_EQ(Run({"find", "y", "k", "x"}).out, "");
}

TEST_F(TagManagement, RefusalsAndMessages)
{
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(Run({"tag", a, "keep"}).exitCode, 0);
    const std::string before = ReadDb();

    // Files in the temporary folder are not tagged.
    const std::string temp = dir.WriteFile("tmp/t.doc", "t");
    for (std::vector<std::string> args : {std::vector<std::string>{"tag", temp, "x"}, {"add", temp, "--", "x"},
                                          {"untag", temp, "--", "x"}, {"add", a, temp, "--", "x"}}) {
        ProcessResult result = Run(args);
        EXPECT_EQ(result.exitCode, 1) << args[0];
        EXPECT_TRUE(Has(result.err, temp + " is in the temporary folder")) << result.err;
    }
    EXPECT_EQ(ReadDb(), before);

    // show and remove of a file without a record say so.
    for (const std::string command : {"show", "remove"}) {
        ProcessResult result = Run({command, dir / "none.doc"});
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, "quillmark: no record for " + dir / "none.doc" + "\n");
    }
    EXPECT_EQ(ReadDb(), before);

    ProcessResult unknown = Run({"frobnicate", a});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(Has(unknown.err, "unknown command \"frobnicate\"")) << unknown.err;

    // add and untag want their tags after "--", and at least one.
    EXPECT_EQ(Run({"add", a, "x"}).exitCode, 2);
    EXPECT_EQ(Run({"add", a, "--"}).exitCode, 1);
    EXPECT_EQ(Run({"untag", a, "--", " , "}).exitCode, 1);
    EXPECT_EQ(ReadDb(), before);

    // Every command explains itself.
    for (const std::string command :
         {"tag", "add", "untag", "rename-tag", "show", "tags", "find", "remove", "scan", "fingerprint"}) {
        ProcessResult help = Run({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(Has(help.out, "Usage: quillmark " + command)) << help.out;
    }
    EXPECT_TRUE(Has(Run({"add", "--help"}).out, "-- TAGS"));
}

TEST_F(TagManagement, TheSettingSwitchesFileSystemTagsOff)
{
    std::filesystem::create_directories(dir / "config");
    std::ofstream(dir / "registry.reg") << "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Quillwright]\n"
                                           "\"WriteFileSystemTags\"=dword:00000000\n";
    const std::string a = dir.WriteFile("a.doc", "x");
    ASSERT_EQ(Run({"tag", a, "one"}).exitCode, 0);
    ASSERT_EQ(Run({"add", a, "--", "two"}).exitCode, 0);
    EXPECT_EQ(Show(a), "one\ntwo\n");
    EXPECT_EQ(GetFattrTags(a), "<none>");
}

// The records of a database file as a plain reading of it gives them: each
// record's path and tag texts, in file order.
std::vector<std::pair<std::string, TagList>> PlainReading(const std::string& file)
{
    std::vector<std::pair<std::string, TagList>> records;
    xmlDoc* doc = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET);
    if (!doc)
        return records;
    for (xmlNode* node = xmlDocGetRootElement(doc)->children; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        xmlChar* path = xmlGetProp(node, reinterpret_cast<const xmlChar*>("path"));
        records.emplace_back(reinterpret_cast<const char*>(path), TagList());
        xmlFree(path);
        for (xmlNode* tag = node->children; tag; tag = tag->next) {
            if (tag->type != XML_ELEMENT_NODE)
                continue;
            xmlChar* text = xmlNodeGetContent(tag);
            records.back().second.emplace_back(reinterpret_cast<const char*>(text));
            xmlFree(text);
        }
    }
    xmlFreeDoc(doc);
    return records;
}

TEST_F(TagManagement, TenThousandRecordsEachCommandInOneSave)
{
    // 10,000 records of files that do not exist, tags drawn from a small set.
    std::vector<std::pair<std::string, TagList>> model;
    std::mt19937 random(17);
    const std::vector<std::string> pool = {"alpha", "beta", "Gamma", "delta", "Ünïcödé", "R&D", "x<y", "epsilon"};
    {
        TaggingDatabase seed;
        seed.SetDatabaseFile(db);
        seed.Open();
        ASSERT_TRUE(seed.ChangeRecords([&](RecordBatch& batch) {
            for (int i = 0; i < 10000; ++i) {
                FileItem item;
                item.path = "/archive/" + std::to_string(i / 100) + "/file " + std::to_string(i) + ".docx";
                for (int n = static_cast<int>(random() % 4); n >= 0; --n)
                    item.tags.push_back(pool[random() % pool.size()]);
                model.emplace_back(item.path, item.tags);
                batch.Add(item);
            }
        }));
    }
    ASSERT_EQ(PlainReading(db), model);

    // Each command in one atomic replacement of the file.
    const auto oneSave = [&](const std::function<int(TaggingDatabase&, std::ostream&, std::ostream&)>& command) {
        FaultyFileSystem counter;
        TaggingDatabase database(counter);
        database.SetDatabaseFile(db);
        database.SetWritesFileSystemTags(false);
        // The renames counted are the tag file's alone, not its index's.
        database.SetUseIndex(false);
        database.Open();
        counter.Reset();
        std::ostringstream out, err;
        const int status = command(database, out, err);
        EXPECT_EQ(counter.Calls(IoCall::Rename), 1) << err.str();
        return status;
    };

    // add to every 50th file.
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < model.size(); i += 50)
        paths.push_back(model[i].first);
    ASSERT_EQ(oneSave([&](TaggingDatabase& d, std::ostream& o, std::ostream& e) {
                  return cli::AddCommand(d, paths, {"added", "alpha"}, o, e);
              }),
              0);
    for (std::size_t i = 0; i < model.size(); i += 50)
        for (const std::string tag : {"added", "alpha"})
            if (std::find(model[i].second.begin(), model[i].second.end(), tag) == model[i].second.end())
                model[i].second.push_back(tag);
    EXPECT_EQ(PlainReading(db), model);

    // untag from every 7th file.
    paths.clear();
    for (std::size_t i = 0; i < model.size(); i += 7)
        paths.push_back(model[i].first);
    ASSERT_EQ(oneSave([&](TaggingDatabase& d, std::ostream& o, std::ostream& e) {
                  return cli::UntagCommand(d, paths, {"beta", "added"}, o, e);
              }),
              0);
    for (std::size_t i = 0; i < model.size(); i += 7)
        std::erase_if(model[i].second, [](const std::string& tag) { return tag == "beta" || tag == "added"; });
    EXPECT_EQ(PlainReading(db), model);

    // rename "delta" to "Gamma" everywhere: a record holding both keeps one, where the first stood.
    std::ostringstream renamedOut;
    ASSERT_EQ(oneSave([&](TaggingDatabase& d, std::ostream&, std::ostream& e) {
                  return cli::RenameTagCommand(d, "delta", "Gamma", renamedOut, e);
              }),
              0);
    std::size_t changed = 0;
    for (auto& [path, tags] : model) {
        if (std::find(tags.begin(), tags.end(), "delta") == tags.end())
            continue;
        ++changed;
        TagList renamed;
        bool seen = false;
        for (const std::string& tag : tags) {
            const bool isNew = tag == "delta" || tag == "Gamma";
            if (isNew && seen)
                continue;
            seen = seen || isNew;
            renamed.push_back(isNew ? "Gamma" : tag);
        }
        tags = renamed;
    }
    EXPECT_EQ(renamedOut.str(), "renamed \"delta\" to \"Gamma\" in " + std::to_string(changed) + " records\n");
    EXPECT_EQ(PlainReading(db), model);

    // The executable agrees with the plain reading about the counts.
    std::map<std::string, int> counts;
    for (const auto& [path, tags] : model)
        for (const std::string& tag : std::set<std::string>(tags.begin(), tags.end()))
            ++counts[tag];
    const std::string listed = Run({"tags", "--count"}).out;
    for (const auto& [tag, count] : counts)
        EXPECT_TRUE(Has(listed, tag + "\t" + std::to_string(count) + "\n")) << tag;
}

} // namespace
} // namespace quillmark::test
