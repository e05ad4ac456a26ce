// The plan of a rewrite from pieces, checked against the same file written
// from scratch for random files and random edits.
#include "store/recordxml.h"
#include "store/writeplan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace quillmark;

namespace {

// A file in the formatter's form made from whole records. In a root that
// holds text, records made later stand after that text.
std::string Whole(const std::vector<std::string>& records, bool indented, const std::string& asReadTail,
                  const std::vector<std::string>& later = {})
{
    if (indented) {
        std::vector<std::string> all = records;
        all.insert(all.end(), later.begin(), later.end());
        if (!later.empty())
            return Whole(all, indented, asReadTail);
    }
    std::string file(kXmlDeclaration);
    if (indented) {
        if (records.empty())
            return file + "<documents/>\n";
        file += "<documents>\n";
        for (const std::string& record : records)
            file += "  " + record + "\n";
        return file + "</documents>\n";
    }
    file += "<documents>";
    for (const std::string& record : records)
        file += record;
    file += asReadTail;
    for (const std::string& record : later)
        file += record;
    return file + "</documents>\n";
}

std::string Apply(const std::string& current, const WritePlan& plan)
{
    std::string out;
    for (const WritePiece& piece : plan.pieces)
        out += piece.literal ? *piece.literal : current.substr(piece.offset, piece.length);
    return out;
}

TEST(WritePlanTest, RandomEditsGiveTheFileWrittenFromScratch)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        const bool indented = random() % 3 != 0;
        const std::string tail = random() % 2 ? "\n" : " x ";
        std::vector<std::string> records;
        const int count = static_cast<int>(random() % 7);
        for (int i = 0; i < count; ++i)
            records.push_back("<doc n=\"" + std::to_string(i) + "\"" +
                              (random() % 2 ? "/>" : "><tag>" + std::string(random() % 5, 't') + "</tag></doc>"));
        const std::string current = Whole(records, indented, tail);

        // Where each record stands in the current file.
        std::vector<std::uint64_t> begins;
        std::uint64_t at = current.find("<documents") + (indented ? 12 : 11);
        for (const std::string& record : records) {
            at += indented ? 2 : 0;
            begins.push_back(at);
            at += record.size() + (indented ? 1 : 0);
        }

        WritePlanInput input;
        input.size = current.size();
        input.rootClose = current.size() - 13;
        input.indented = indented;
        input.liveBefore = records.size();
        std::vector<std::string> after, replacements, appended;
        replacements.reserve(records.size());
        appended.reserve(4);
        std::vector<std::size_t> replacedAt; // index into input.edits of each kept record, or npos
        for (std::size_t i = 0; i < records.size(); ++i) {
            const unsigned what = random() % 4;
            if (what == 0) {
                input.edits.push_back({begins[i], begins[i] + records[i].size(), nullptr});
            } else if (what == 1) {
                // A new start tag in place of the old one, the content kept.
                const std::size_t startTag = records[i].find('>') + 1;
                replacements.push_back("<doc r=\"" + std::to_string(round) + "\">");
                const bool empty = records[i].ends_with("\"/>");
                input.edits.push_back({begins[i], begins[i] + (empty ? records[i].size() : startTag),
                                       &replacements.back()});
                after.push_back(replacements.back() + (empty ? "" : records[i].substr(startTag)));
            } else {
                after.push_back(records[i]);
            }
        }
        const int adds = static_cast<int>(random() % 4);
        for (int i = 0; i < adds; ++i) {
            appended.push_back("<doc new=\"" + std::to_string(i) + "\"/>");
            input.appended.push_back(&appended.back());
        }
        input.liveAfter = after.size() + appended.size();
        const WritePlan plan = PlanWrite(input);
        const std::string written = Apply(current, plan);
        ASSERT_EQ(written, Whole(after, indented, tail, appended)) << "round " << round;
        ASSERT_EQ(plan.size, written.size());
        // Every kept record is found where the plan says it moved.
        std::size_t edit = 0, kept = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const bool edited = edit < input.edits.size() && input.edits[edit].begin == begins[i];
            if (!edited) {
                ASSERT_EQ(written.substr(plan.Moved(begins[i]), records[i].size()), records[i]) << "round " << round;
            } else if (input.edits[edit].literal) {
                ASSERT_EQ(written.substr(plan.editAt[edit], input.edits[edit].literal->size()),
                          *input.edits[edit].literal);
            }
            edit += edited ? 1 : 0;
            kept += edited ? 0 : 1;
        }
        for (std::size_t i = 0; i < appended.size(); ++i)
            ASSERT_EQ(written.substr(plan.appendedAt[i], appended[i].size()), appended[i]);
    }
}

} // namespace
