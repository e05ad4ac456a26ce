#include "store/pendingchange.h"

#include "platform/files/paths.h"
#include "store/databasefile.h"
#include "store/recordbatch.h"
#include "store/treewriter.h"

namespace quillmark {

void FillListedItem(const TagIndex& index, std::uint32_t record, FileItem& item)
{
    item.path = index.Value(record, kPath);
    item.name = files::NameOf(item.path);
    item.md5 = index.Value(record, kMd5);
    item.previewDate = index.PreviewDate(record);
    std::size_t count = 0;
    ForEachTag(index.MarkedTags(record), [&](std::string_view tag, bool) {
        if (count < item.tags.size())
            item.tags[count].assign(tag);
        else
            item.tags.emplace_back(tag);
        ++count;
    });
    item.tags.resize(count);
}

FileItem ListedItemOf(const TagIndex& index, std::uint32_t record)
{
    FileItem item;
    FillListedItem(index, record, item);
    return item;
}

bool Storable(const FileItem& item)
{
    std::string why;
    if (StorableItem(item, why))
        return true;
    WarnDatabase(why);
    return false;
}

bool PendingChange::ReplayOn(xmlDoc* doc) const
{
    for (const Step& step : m_steps) {
        bool done = true;
        switch (step.kind) {
        case Step::Write: done = tree::WriteRecord(doc, step.key, step.item); break;
        case Step::Preview: done = tree::SetPreviewDate(doc, step.key, step.previewDate); break;
        case Step::Remove: tree::RemoveRecord(doc, step.key); break;
        }
        if (!done)
            return false;
    }
    return true;
}

} // namespace quillmark
