// The streaming reader of the database file: records and their byte ranges, the
// check that the file is in the formatter's exact form (over many read blocks),
// the hash of every byte, and what it refuses and why.
#include "store/databasereader.h"
#include "store/fingerprint.h"
#include "store/indexfile.h"
#include "store/treewriter.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <sys/mman.h>
#include <unistd.h>

using namespace quillmark;

namespace {

struct Reading {
    ReadResult result = ReadResult::ReadError;
    std::string error;
    TagIndex index;
    std::uint64_t hashLow = 0, hashHigh = 0;
};

// Reads `bytes` as the database does, from a file in memory.
void ReadBytes(const std::string& bytes, bool indentedRoot, Reading& out)
{
    const int fd = ::memfd_create("tags.xml", 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
    indexfile::ContentHash hash;
    out.result = ReadDatabase(files::FileSystem::Current(), fd, "tags.xml", out.index, out.error, indentedRoot, &hash);
    hash.Result(out.hashLow, out.hashHigh);
    ::close(fd);
}

std::string PathOf(int i)
{
    return "/home/user/Documents/project " + std::to_string(i / 50) + "/report " + std::to_string(i) + ".docx";
}

// What the formatter writes for `count` records, each with two tags.
std::string FormatterFile(int count)
{
    xmlDoc* doc = tree::NewEmpty();
    for (int i = 0; i < count; ++i) {
        FileItem item;
        item.path = PathOf(i);
        item.writeDate = 1128866607 + i;
        item.tags = {"tag " + std::to_string(i % 7), "a&b <c> \"d\""};
        EXPECT_TRUE(tree::WriteRecord(doc, GetMd5Hex(item.path), item));
    }
    std::string text;
    EXPECT_TRUE(tree::Serialize(doc, text));
    xmlFreeDoc(doc);
    return text;
}

} // namespace

TEST(DatabaseReader, TheFormIsCheckedAcrossReadBlocksAndEveryByteIsHashed)
{
    constexpr int kRecords = 2000;
    const std::string text = FormatterFile(kRecords);
    ASSERT_GT(text.size(), 4u << 16) << "several of the reader's blocks";

    Reading read;
    ReadBytes(text, true, read);
    ASSERT_EQ(read.result, ReadResult::Read) << read.error;
    EXPECT_TRUE(read.index.m_bCanonical);
    ASSERT_EQ(read.index.Records().size(), static_cast<std::size_t>(kRecords));
    for (int i = 0; i < kRecords; ++i) {
        const TagIndex::Record& record = read.index.Records()[static_cast<std::size_t>(i)];
        const std::string element = text.substr(record.begin, record.end - record.begin);
        ASSERT_EQ(element.rfind("<doc md5=\"" + GetMd5Hex(PathOf(i)) + "\"", 0), 0u) << i;
        ASSERT_EQ(element.substr(element.size() - 6), "</doc>") << i;
        ASSERT_EQ(element[record.startTag - 1], '>') << i;
    }
    indexfile::ContentHash whole;
    whole.Add(text.data(), text.size());
    std::uint64_t low = 0, high = 0;
    whole.Result(low, high);
    EXPECT_EQ(read.hashLow, low);
    EXPECT_EQ(read.hashHigh, high);

    // Changes the formatter would never make, deep in the file or at its very
    // end: the records are all read, but the file is not taken as its form.
    const std::size_t middle = text.find("\n  <doc", text.size() / 2);
    const std::size_t lateQuote = text.find("writedate=\"", text.size() - 3000) + 10;
    std::string indented = text, quoted = text;
    indented.insert(middle + 1, " ");
    quoted[lateQuote] = '\'';
    quoted[text.find('"', lateQuote + 1)] = '\'';
    for (const std::string& changed : {indented, quoted, text + "\n", text.substr(0, text.size() - 1)}) {
        Reading other;
        ReadBytes(changed, true, other);
        ASSERT_EQ(other.result, ReadResult::Read) << other.error;
        EXPECT_FALSE(other.index.m_bCanonical) << changed.size();
        EXPECT_EQ(other.index.Records().size(), static_cast<std::size_t>(kRecords));
    }
}

TEST(DatabaseReader, RefusalsSayWhy)
{
    const std::string record = "<doc md5=\"" + GetMd5Hex("/a.doc") + "\" path=\"/a.doc\"><tag>a</tag></doc>";
    const std::pair<std::string, std::string> cases[] = {
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE documents [<!ENTITY x \"y\">]>\n<documents>" + record + "</documents>",
         "the file carries a document type declaration"},
        {"<!DOCTYPE documents SYSTEM \"http://127.0.0.1:9/x.dtd\"><documents/>",
         "the file carries a document type declaration"},
        {"<?xml version=\"1.0\"?>\n<documents>\n<doc><tag>&x;</tag></doc></documents>",
         "line 3: Entity 'x' not defined"},
        {"<documents>\n" + record + "\n", "line 3: Premature end of data"},
        {"<other>" + record + "</other>", "the root element is not a plain <documents>"},
        {"<documents><doc" + [] {
             std::string many;
             for (int i = 0; i < 300; ++i)
                 many += " a" + std::to_string(i) + "=\"\"";
             return many;
         }() + "/></documents>",
         "an element has more than 256 attributes"},
    };
    for (const auto& [text, reason] : cases) {
        Reading read;
        ReadBytes(text, false, read);
        EXPECT_EQ(read.result, ReadResult::Malformed) << text;
        EXPECT_EQ(read.error.rfind(reason, 0), 0u) << read.error;
        EXPECT_TRUE(read.index.Records().empty());
    }
}

TEST(DatabaseReader, TheTreeIsParsedAsSafelyAsTheStream)
{
    test::TempDir dir;
    const std::string record = "<doc md5=\"" + GetMd5Hex("/a.doc") + "\" path=\"/a.doc\"><tag>a</tag></doc>";
    std::string error;
    // Out of the formatter's form (a comment), but sound: parsed.
    const std::string sound = dir.WriteFile("sound.xml", "<documents><!-- note -->" + record + "</documents>");
    xmlDoc* doc = tree::Read(files::FileSystem::Current(), sound, error);
    ASSERT_NE(doc, nullptr) << error;
    xmlFreeDoc(doc);
    for (const std::string& text : {
             "<!DOCTYPE documents [<!ENTITY x \"y\">]><documents>" + record + "</documents>",
             std::string("<!DOCTYPE documents><documents/>"),
             std::string("<documents><doc><tag>&x;</tag></doc></documents>"),
         }) {
        const std::string path = dir.WriteFile("tags.xml", text);
        error.clear();
        EXPECT_EQ(tree::Read(files::FileSystem::Current(), path, error), nullptr) << text;
        EXPECT_EQ(error, "cannot parse \"" + path + "\" again");
    }
}
