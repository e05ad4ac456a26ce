#include "store/writeplan.h"

#include "store/recordxml.h"

#include <algorithm>
#include <numeric>

namespace quillmark {

namespace {

const std::string kIndent = "  ", kNewline = "\n";
const std::string kEmptyRoot = std::string(kXmlDeclaration) + "<documents/>\n";
const std::string kFirstOpen = std::string(kXmlDeclaration) + "<documents>\n  ";
const std::string kBetween = "\n  ";
const std::string kFirstClose = "\n</documents>\n";

class PlanBuilder {
public:
    explicit PlanBuilder(WritePlan& plan) : m_plan(plan) {}
    void Copy(std::uint64_t from, std::uint64_t to)
    {
        if (to <= from)
            return;
        m_plan.m_keptFrom.push_back(from);
        m_plan.m_keptTo.push_back(m_plan.size);
        m_plan.pieces.push_back({from, to - from, nullptr});
        m_plan.size += to - from;
    }
    // Returns where the literal begins in the new file.
    std::uint64_t Literal(const std::string& text)
    {
        const std::uint64_t at = m_plan.size;
        if (!text.empty())
            m_plan.pieces.push_back({0, text.size(), &text});
        m_plan.size += text.size();
        return at;
    }

private:
    WritePlan& m_plan;
};

} // namespace

std::uint64_t WritePlan::Moved(std::uint64_t offset) const
{
    const auto after = std::upper_bound(m_keptFrom.begin(), m_keptFrom.end(), offset);
    if (after == m_keptFrom.begin())
        return offset;
    const auto i = static_cast<std::size_t>(after - m_keptFrom.begin()) - 1;
    return offset - m_keptFrom[i] + m_keptTo[i];
}

WritePlan PlanWrite(const WritePlanInput& input)
{
    WritePlan plan;
    PlanBuilder out(plan);
    plan.editAt.assign(input.edits.size(), 0);
    plan.appendedAt.assign(input.appended.size(), 0);
    // An indented root changes shape at the edges: "<documents/>" when it holds
    // no record, and the formatter's own layout around the first one.
    if (input.indented && input.liveAfter == 0) {
        out.Literal(kEmptyRoot);
        return plan;
    }
    if (input.indented && input.liveBefore == 0) {
        out.Literal(kFirstOpen);
        for (std::size_t i = 0; i < input.appended.size(); ++i) {
            if (i > 0)
                out.Literal(kBetween);
            plan.appendedAt[i] = out.Literal(*input.appended[i]);
        }
        out.Literal(kFirstClose);
        return plan;
    }
    std::vector<std::size_t> order(input.edits.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return input.edits[a].begin < input.edits[b].begin; });
    const std::uint64_t insertAt = input.appended.empty() ? input.size : input.rootClose;
    std::uint64_t at = 0;
    for (const std::size_t i : order) {
        const WritePlanInput::Edit& edit = input.edits[i];
        std::uint64_t begin = edit.begin, end = edit.end;
        // A cut record takes its line with it when records stand on lines.
        if (!edit.literal && input.indented) {
            begin -= kIndent.size();
            end += kNewline.size();
        }
        out.Copy(at, begin);
        if (edit.literal)
            plan.editAt[i] = out.Literal(*edit.literal);
        at = end;
    }
    if (!input.appended.empty()) {
        out.Copy(at, insertAt);
        for (std::size_t i = 0; i < input.appended.size(); ++i) {
            if (input.indented)
                out.Literal(kIndent);
            plan.appendedAt[i] = out.Literal(*input.appended[i]);
            if (input.indented)
                out.Literal(kNewline);
        }
        at = std::max(at, insertAt);
    }
    out.Copy(at, input.size);
    return plan;
}

} // namespace quillmark
