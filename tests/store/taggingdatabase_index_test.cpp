// The tag database's index: searches match tag by tag, files it must not read
// are refused, and changes written from pieces of the file give exactly the
// bytes the document tree gives.
#include "tests/store/dbfixture.h"

#include "store/fingerprint.h"
#include "store/indexfile.h"
#include "store/treewriter.h"

#include <random>

using namespace quillmark;
using quillmark::test::DatabaseTest;

namespace {

const TypeList kDocs{"doc"};

std::string Record(const std::string& key, const std::string& path, const std::string& tags)
{
    return "<doc md5=\"" + key + "\" path=\"" + path + "\" type=\"doc\">" + tags + "</doc>";
}

TEST_F(DatabaseTest, SearchMatchesOneTagNotTheTagsTogether)
{
    auto writer = OpenDb();
    ASSERT_TRUE(writer->SetFileTags("/ab.doc", {"ab", "cd"}));
    ASSERT_TRUE(writer->SetFileTags("/next.doc", {"ef", "two words"}));
    auto reader = OpenDb();
    for (TaggingDatabase* db : {writer.get(), reader.get()}) {
        EXPECT_TRUE(db->FindDocuments("bc", kDocs).empty());   // across two tags
        EXPECT_TRUE(db->FindDocuments("de", kDocs).empty());   // across two records
        EXPECT_EQ(Paths(db->FindDocuments("CD", kDocs)), std::vector<std::string>{"/ab.doc"});
        EXPECT_EQ(Paths(db->FindDocuments(" ", kDocs)), std::vector<std::string>{"/next.doc"});
        EXPECT_EQ(Paths(db->FindDocuments("O W", kDocs)), std::vector<std::string>{"/next.doc"});
        EXPECT_TRUE(db->FindDocuments("\x01", kDocs).empty());
    }
    // A file as a peer might write it, white space and all, is searched the same way.
    const std::string key = writer->GetMd5Hex("/hand.doc");
    m_dir.WriteFile("tags.xml", "<?xml version=\"1.0\"?>\n<documents>\n  " +
                                    Record(key, "/hand.doc", "\n    <tag>ab</tag>\n    <tag>cd</tag>\n  ") +
                                    "\n</documents>\n");
    auto peer = OpenDb();
    EXPECT_TRUE(peer->FindDocuments("b c", kDocs).empty());
    EXPECT_TRUE(peer->FindDocuments("b\n", kDocs).empty());
    EXPECT_TRUE(peer->FindDocuments(" ", kDocs).empty());
    EXPECT_EQ(peer->FindDocuments("ab", kDocs).size(), 1u);
}

TEST_F(DatabaseTest, RootOtherThanPlainDocumentsMakesTheFileUnreadable)
{
    TaggingDatabase hasher;
    const std::string record = Record(hasher.GetMd5Hex("/old.doc"), "/old.doc", "<tag>old</tag>");
    const std::string roots[] = {
        "<documents xmlns=\"urn:x\">" + record + "</documents>",
        "<q:documents xmlns:q=\"urn:x\">" + record + "</q:documents>",
        "<library>" + record + "</library>",
    };
    for (const std::string& root : roots) {
        const std::string content = "<?xml version=\"1.0\"?>\n" + root + "\n";
        m_dir.WriteFile("tags.xml", content);
        auto db = OpenDb();
        ASSERT_FALSE(db->RecoveredFile().empty()) << root;
        EXPECT_EQ(files::ReadFile(db->RecoveredFile()).value_or(""), content);
        // New records are stored where every reader finds them.
        ASSERT_TRUE(db->SetFileTags("/new.doc", {"new"}));
        EXPECT_EQ(OpenDb()->GetFileItem("/new.doc").tags, TagList{"new"}) << root;
        EXPECT_EQ(FileText().find("xmlns"), std::string::npos);
        ASSERT_TRUE(files::AtomicReplace(DbFile(), ""));
        ::unlink(DbFile().c_str());
    }
}

TEST_F(DatabaseTest, ElementWithAbsurdlyManyAttributesMakesTheFileUnreadable)
{
    TaggingDatabase hasher;
    const std::string key = hasher.GetMd5Hex("/a.doc");
    auto fileWith = [&](int extra) {
        std::string attributes;
        for (int i = 0; i < extra; ++i)
            attributes += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
        return "<?xml version=\"1.0\"?>\n<documents><doc md5=\"" + key + "\" path=\"/a.doc\" type=\"doc\"" +
               attributes + "><tag>kept</tag></doc></documents>\n";
    };
    // A few unknown attributes are read past.
    m_dir.WriteFile("tags.xml", fileWith(20));
    auto few = OpenDb();
    EXPECT_TRUE(few->RecoveredFile().empty());
    EXPECT_EQ(few->GetFileItem("/a.doc").tags, TagList{"kept"});

    // Forty thousand are refused before the parser weighs them against each other.
    const std::string absurd = fileWith(40000);
    m_dir.WriteFile("tags.xml", absurd);
    auto db = OpenDb();
    ASSERT_FALSE(db->RecoveredFile().empty());
    EXPECT_EQ(files::ReadFile(db->RecoveredFile()).value_or(""), absurd);
    EXPECT_TRUE(db->GetFileItem("/a.doc").tags.empty());
    // Quoted "=" and markup in text count for nothing.
    m_dir.WriteFile("tags.xml", "<?xml version=\"1.0\"?>\n<documents><doc md5=\"" + key + "\" path=\"" +
                                    std::string(1000, '=') + "\" type=\"doc\"><tag>" + std::string(1000, '=') +
                                    "</tag><!-- <x " + std::string(1000, '=') + "> --></doc></documents>\n");
    auto quoted = OpenDb();
    EXPECT_TRUE(quoted->RecoveredFile().empty());
    EXPECT_EQ(quoted->GetFileItem("/a.doc").tags, TagList{std::string(1000, '=')});
}

// Random changes replayed through the document tree and through the index; the
// two files must be equal byte for byte after every step, and the live index
// must answer as a fresh reader of the file does.
class ReplayTest : public DatabaseTest, public ::testing::WithParamInterface<int> {
protected:
    struct Side {
        AppSettings settings;
        std::unique_ptr<TaggingDatabase> db;
        bool tree = false;
        void Reopen()
        {
            db = std::make_unique<TaggingDatabase>();
            db->m_pSettings = &settings;
            db->SetTreeWriter(tree);
            db->Open();
        }
        std::string File() const { return files::ReadFile(settings.DatabasePath + "tags.xml").value_or("<none>"); }
    };
};

std::string RandomText(std::mt19937& random, const std::vector<std::string>& pieces, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += pieces[random() % pieces.size()];
    return text;
}

TEST_P(ReplayTest, PiecesWriteWhatTheTreeWrites)
{
    const int records = GetParam();
    std::mt19937 random(static_cast<unsigned>(records) * 7919u);
    Side oldSide, newSide;
    oldSide.tree = true;
    oldSide.settings.DatabasePath = m_dir / "tree/";
    newSide.settings.DatabasePath = m_dir / "index/";
    ASSERT_TRUE(files::MakeDirectories(m_dir / "tree"));
    ASSERT_TRUE(files::MakeDirectories(m_dir / "index"));

    const std::vector<std::string> pieces = {"a", "B", "ä", " ", "&", "<", ">", "\"", "'", "\t", "\r", "\n",
                                             "]]>", "Z", "x", "7", "&amp;", "é", "\U0001F600"};
    std::vector<std::string> paths;
    for (int i = 0; i < records + records / 2 + 3; ++i)
        paths.push_back("/d/" + RandomText(random, pieces, 1 + static_cast<int>(random() % 4)) + std::to_string(i) +
                        (i % 5 == 0 ? "" : i % 5 == 1 ? ".ppt" : ".doc"));
    auto randomTags = [&] {
        TagList tags;
        const int count = static_cast<int>(random() % 5);
        for (int i = 0; i < count; ++i) {
            // Tags hold no line breaks (they are refused); paths may.
            std::string tag = RandomText(random, pieces, 1 + static_cast<int>(random() % 5));
            std::erase_if(tag, [](char c) { return c == '\r' || c == '\n'; });
            tags.push_back(tag.empty() ? "x" : tag);
        }
        return tags;
    };
    auto item = [&](const std::string& path) {
        FileItem made;
        made.path = path;
        made.tags = randomTags();
        made.writeDate = random() % 3 ? 1128866607 + static_cast<Time>(random() % 100000) : 0;
        made.createDate = random() % 2 ? 1128000000 : 0;
        made.accessDate = random() % 2 ? 1128870000 : 0;
        made.previewDate = random() % 4 == 0 ? 1128800000 : 0;
        return made;
    };

    // Some runs start from a file the tree path has to rewrite first.
    if (records % 2 == 1) {
        const std::string hand = "<?xml version=\"1.0\"?>\n<documents><doc md5=\"" +
                                 TaggingDatabase().GetMd5Hex(paths[0]) + "\" path=\"" + "/d/hand.doc" +
                                 "\" type=\"doc\"><tag>hand</tag></doc></documents>";
        m_dir.WriteFile("tree/tags.xml", hand);
        m_dir.WriteFile("index/tags.xml", hand);
    }
    if (records >= 1000) {
        // A large file made by the tree alone, then read by both.
        xmlDoc* doc = tree::NewEmpty();
        for (int i = 0; i < records; ++i) {
            const FileItem made = item(paths[static_cast<std::size_t>(i)]);
            ASSERT_TRUE(tree::WriteRecord(doc, TaggingDatabase().GetMd5Hex(made.path), made));
        }
        std::string bytes;
        ASSERT_TRUE(tree::Serialize(doc, bytes));
        xmlFreeDoc(doc);
        m_dir.WriteFile("tree/tags.xml", bytes);
        m_dir.WriteFile("index/tags.xml", bytes);
    }
    oldSide.Reopen();
    newSide.Reopen();
    // Fill both to the size, in one session.
    for (int i = 0; records < 1000 && i < records; ++i) {
        const FileItem made = item(paths[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(oldSide.db->WriteFileItem(made));
        ASSERT_TRUE(newSide.db->WriteFileItem(made));
    }
    ASSERT_EQ(oldSide.File(), newSide.File());

    int piecewise = 0;
    int indexed = 0; // steps after which the index on disk was valid
    const int steps = records >= 1000 ? 60 : 200; // every step waits for two flushes to disk
    for (int step = 0; step < steps; ++step) {
        const std::string& path = paths[random() % paths.size()];
        const unsigned op = random() % 100;
        piecewise += newSide.db->WritesFromPieces() ? 1 : 0;
        if (op < 40) {
            const FileItem made = item(path);
            ASSERT_EQ(oldSide.db->WriteFileItem(made), newSide.db->WriteFileItem(made));
        } else if (op < 60) {
            FileItem preview;
            preview.md5 = random() % 5 ? newSide.db->GetMd5Hex(path) : "not-a-key";
            preview.previewDate = random() % 6 ? 1128866607 + static_cast<Time>(step) : 0;
            ASSERT_EQ(oldSide.db->SetPreviewDate(preview), newSide.db->SetPreviewDate(preview));
        } else if (op < 78) {
            ASSERT_EQ(oldSide.db->RemoveDocument(path), newSide.db->RemoveDocument(path));
        } else if (op < 85) {
            // Several edits saved at once, some of them on the same record.
            struct Edit {
                unsigned kind;
                FileItem made;
                std::string path;
            };
            std::vector<Edit> edits;
            const int count = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < count; ++i) {
                const std::string& target = random() % 3 ? paths[random() % paths.size()] : path;
                edits.push_back({static_cast<unsigned>(random() % 4), item(target), target});
            }
            const bool giveUp = random() % 8 == 0;
            auto batch = [&](RecordEditor& records) {
                for (const Edit& edit : edits) {
                    switch (edit.kind) {
                    case 0: records.Write(edit.made); break;
                    case 1: records.Remove(edit.path); break;
                    case 2: records.SetPreviewDate(GetMd5Hex(edit.path), edit.made.previewDate + 1); break;
                    default: {
                        TagList tags = records.Tags(edit.path);
                        tags.push_back("added" + std::to_string(step));
                        FileItem grown = edit.made;
                        grown.tags = tags;
                        records.Write(grown);
                    }
                    }
                }
                return !giveUp;
            };
            ASSERT_EQ(oldSide.db->Change(batch), newSide.db->Change(batch));
        } else if (op < 90) {
            ASSERT_EQ(oldSide.db->Save(), newSide.db->Save());
        } else if (op < 95 && newSide.db->GetAllDocuments({}).size() <= 30) {
            // Remove everything: the root is left empty, or with its white space.
            for (const FileItem& listed : newSide.db->GetAllDocuments({})) {
                ASSERT_TRUE(oldSide.db->RemoveDocument(listed.path));
                ASSERT_TRUE(newSide.db->RemoveDocument(listed.path));
            }
        } else if (op >= 95) {
            oldSide.Reopen();
            newSide.Reopen();
        }
        ASSERT_EQ(oldSide.File(), newSide.File()) << "after step " << step << ", operation " << op;

        // The persistent index on disk, when there is a valid one, holds what a parse finds.
        {
            TaggingDatabase viaIndex, parsed;
            viaIndex.m_pSettings = parsed.m_pSettings = &newSide.settings;
            parsed.SetUseIndex(false);
            viaIndex.Open(false);
            parsed.Open(false);
            if (viaIndex.LastIndexLoad() == indexfile::Loaded::Used) {
                ++indexed;
                const ResultList mapped = viaIndex.GetAllDocuments({}), read = parsed.GetAllDocuments({});
                ASSERT_EQ(mapped.size(), read.size()) << "after step " << step;
                for (std::size_t i = 0; i < read.size(); ++i) {
                    ASSERT_EQ(mapped[i].path, read[i].path) << "after step " << step;
                    ASSERT_EQ(mapped[i].tags, read[i].tags) << "after step " << step;
                    ASSERT_EQ(mapped[i].previewDate, read[i].previewDate) << "after step " << step;
                }
                ASSERT_EQ(viaIndex.GetAllTags(), parsed.GetAllTags()) << "after step " << step;
                ASSERT_EQ(Paths(viaIndex.FindDocuments("a", {})), Paths(parsed.FindDocuments("a", {})));
            }
        }

        // The index changed in place answers as a fresh reading of the file.
        if (step % 10 == 0) {
            TaggingDatabase fresh;
            fresh.m_pSettings = &newSide.settings;
            fresh.Open();
            const ResultList live = newSide.db->GetAllDocuments({});
            const ResultList read = fresh.GetAllDocuments({});
            ASSERT_EQ(live.size(), read.size());
            for (std::size_t i = 0; i < live.size(); ++i) {
                EXPECT_EQ(live[i].path, read[i].path);
                EXPECT_EQ(live[i].md5, read[i].md5);
                EXPECT_EQ(live[i].previewDate, read[i].previewDate);
                EXPECT_EQ(live[i].tags, read[i].tags);
            }
            EXPECT_EQ(newSide.db->GetAllTags(), fresh.GetAllTags());
            for (const std::string& each : paths) {
                const FileItem mine = newSide.db->GetFileItem(each), theirs = fresh.GetFileItem(each);
                ASSERT_EQ(mine.tags, theirs.tags) << each;
                ASSERT_EQ(mine.writeDate, theirs.writeDate) << each;
            }
            EXPECT_EQ(Paths(newSide.db->FindDocuments("A", kDocs)), Paths(fresh.FindDocuments("A", kDocs)));
        }
    }
    EXPECT_GT(piecewise, steps * 3 / 4); // the index path was the one taken
    EXPECT_GT(indexed, steps / 2);        // and the persistent index was there to check
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReplayTest, ::testing::Values(10, 101, 2000));

} // namespace
