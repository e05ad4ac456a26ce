#include "store/spliceplan.h"

#include "store/datetext.h"
#include "store/treewriter.h"

#include <optional>

namespace quillmark {

namespace {

// "</documents>\n": how every file in the formatter's form ends, unless its root is empty.
constexpr std::uint64_t kRootCloseLength = 13;

// `preview`, when set, is a preview date given after the record was made: as
// in the tree, its attribute then moves to the end.
void MakeRecord(NewRecord& out, const std::string& key, const FileItem& item, bool indented,
                std::optional<Time> preview)
{
    out.values[kMd5] = key;
    out.values[kPath] = item.path;
    out.attrs.Set(kMd5, out.values[kMd5]);
    out.attrs.Set(kPath, out.values[kPath]);
    const std::array<std::pair<Attr, Time>, 4> dates = {{{kThumbWriteDate, item.previewDate},
                                                         {kWriteDate, item.writeDate},
                                                         {kCreateDate, item.createDate},
                                                         {kAccessDate, item.accessDate}}};
    for (const auto& [attr, time] : dates) {
        out.values[attr] = time != 0 ? FormatDate(time) : std::string();
        if (!out.values[attr].empty())
            out.attrs.Set(attr, out.values[attr]);
    }
    out.values[kType] = tree::TypeOfPath(item.path);
    out.attrs.Set(kType, out.values[kType]);
    if (preview) {
        out.attrs.Remove(kThumbWriteDate);
        out.values[kThumbWriteDate] = *preview != 0 ? FormatDate(*preview) : std::string();
        if (!out.values[kThumbWriteDate].empty())
            out.attrs.Set(kThumbWriteDate, out.values[kThumbWriteDate]);
    }
    AppendStartTag(out.bytes, out.attrs);
    out.startTag = static_cast<std::uint32_t>(out.bytes.size() + (item.tags.empty() ? 2 : 1));
    out.bytes.clear();
    AppendNewRecord(out.bytes, out.attrs, item.tags, indented);
    for (const std::string& tag : item.tags) {
        out.marked += tag;
        out.marked += TagIndex::kTagMark;
    }
}

// A stored record with a new preview date: its start tag, and how much of the
// old element follows it unchanged.
void MakePreview(NewRecord& out, const TagIndex& index, std::uint32_t record, Time previewDate)
{
    const AttrList old = index.Attributes(record);
    for (std::uint8_t i = 0; i < old.count; ++i) {
        const Attr attr = old.order[i];
        out.values[attr] = old.values[attr];
        out.attrs.Set(attr, out.values[attr]);
    }
    out.attrs.Remove(kThumbWriteDate);
    out.values[kThumbWriteDate] = previewDate != 0 ? FormatDate(previewDate) : std::string();
    if (!out.values[kThumbWriteDate].empty())
        out.attrs.Set(kThumbWriteDate, out.values[kThumbWriteDate]);
    const TagIndex::Record& entry = index.RecordAt(record);
    const bool empty = entry.startTag == entry.end - entry.begin;
    AppendStartTag(out.bytes, out.attrs);
    out.bytes += empty ? "/>" : ">";
    out.startTag = static_cast<std::uint32_t>(out.bytes.size());
    out.keptContent = empty ? 0 : entry.end - entry.begin - entry.startTag;
}

} // namespace

void PlanSplice(const TagIndex& index, const PendingChange& change, SplicePlan& plan)
{
    const bool indented = index.m_layout == TagIndex::Layout::Indented;
    std::size_t added = 0;
    for (const PendingChange::Appended& appended : change.m_appended)
        added += appended.live ? 1 : 0;
    // Sized once: each record's attributes view its own strings.
    plan.appended = std::vector<NewRecord>(added);
    plan.previews = std::vector<NewRecord>(change.m_previews.size());
    plan.previewed.clear();
    plan.dropped.assign(change.m_dropped.begin(), change.m_dropped.end());

    WritePlanInput input;
    input.size = index.m_fileSize;
    input.rootClose = input.size >= kRootCloseLength ? input.size - kRootCloseLength : 0;
    input.indented = indented;
    input.liveBefore = index.LiveCount();
    input.liveAfter = input.liveBefore - plan.dropped.size() + added;
    for (const std::uint32_t record : plan.dropped) {
        const TagIndex::Record& old = index.Records()[record];
        input.edits.push_back({old.begin, old.end, nullptr});
    }
    for (const auto& [record, date] : change.m_previews) {
        if (change.m_dropped.count(record))
            continue;
        NewRecord& made = plan.previews[plan.previewed.size()];
        MakePreview(made, index, record, date);
        const TagIndex::Record& old = index.Records()[record];
        input.edits.push_back({old.begin, made.keptContent > 0 ? old.begin + old.startTag : old.end, &made.bytes});
        plan.previewed.push_back(record);
    }
    std::size_t next = 0;
    for (const PendingChange::Appended& appended : change.m_appended) {
        if (!appended.live)
            continue;
        MakeRecord(plan.appended[next], appended.key, appended.item, indented, appended.preview);
        input.appended.push_back(&plan.appended[next].bytes);
        ++next;
    }
    plan.write = PlanWrite(input);
}

void ApplySplice(const SplicePlan& plan, TagIndex& index)
{
    // Where every kept record now stands.
    for (TagIndex::Record& entry : index.MutableRecords()) {
        if (!entry.live)
            continue;
        const std::uint64_t begin = plan.write.Moved(entry.begin);
        entry.end = entry.end - entry.begin + begin;
        entry.begin = begin;
    }
    // The edits are the cuts first, then the previews.
    const std::size_t firstPreviewEdit = plan.dropped.size();
    for (std::size_t i = 0; i < plan.previewed.size(); ++i) {
        const NewRecord& made = plan.previews[i];
        index.SetAttributes(plan.previewed[i], made.attrs);
        TagIndex::Record& entry = index.MutableRecords()[plan.previewed[i]];
        entry.begin = plan.write.editAt[firstPreviewEdit + i];
        entry.startTag = made.startTag;
        entry.end = entry.begin + made.bytes.size() + made.keptContent;
    }
    for (const std::uint32_t record : plan.dropped)
        index.Remove(record);
    for (std::size_t i = 0; i < plan.appended.size(); ++i) {
        const NewRecord& made = plan.appended[i];
        const std::uint32_t number = index.Append(made.attrs, made.marked);
        TagIndex::Record& entry = index.MutableRecords()[number];
        entry.begin = plan.write.appendedAt[i];
        entry.end = entry.begin + made.bytes.size();
        entry.startTag = made.startTag;
    }
    index.m_fileSize = plan.write.size;
    index.m_rootClose = plan.write.size >= kRootCloseLength ? plan.write.size - kRootCloseLength : 0;
    index.CompactIfSparse();
}

} // namespace quillmark
