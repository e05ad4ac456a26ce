#include "store/pendingchange.h"

#include "platform/files/paths.h"
#include "store/databasefile.h"
#include "store/treewriter.h"
#include "store/utf8.h"

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
    if (!utf8::IsXmlText(item.path)) {
        WarnDatabase("the path cannot be stored: it is not valid text");
        return false;
    }
    for (const std::string& tag : item.tags) {
        // A line break would split the tag in two wherever tags are listed a line each.
        if (!utf8::IsXmlText(tag) || tag.find_first_of("\r\n") != std::string::npos) {
            WarnDatabase("a tag cannot be stored: it holds a line break, control characters or bytes that are "
                         "not UTF-8");
            return false;
        }
    }
    return true;
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
