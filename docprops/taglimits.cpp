#include "docprops/taglimits.h"

#include <unordered_set>

#include "store/utf8.h"

namespace quillmark {

std::string CutTag(const std::string& tag)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < kMaxTagCharacters && pos < tag.size(); ++n)
        pos += utf8::Decode(tag, pos).length;
    if (pos >= tag.size()) return tag;
    return TrimTag(std::string_view(tag).substr(0, pos));
}

LimitedTags LimitFileTags(const TagList& fileTags, const TagList& heldTags)
{
    LimitedTags result;
    const std::unordered_set<std::string> held(heldTags.begin(), heldTags.end());
    std::unordered_set<std::string> taken, untaken;
    for (const std::string& tag : fileTags) {
        if (taken.contains(tag) || untaken.contains(tag)) continue;
        if (held.contains(tag)) {
            taken.insert(tag);
            result.tags.push_back(tag);
            continue;
        }
        std::string cut = CutTag(tag);
        const bool bCut = cut != tag;
        if (!taken.contains(cut) && !held.contains(cut) && taken.size() >= kMaxTagsFromFile) {
            ++result.nLeftOut;
        } else {
            if (bCut) ++result.nCut;
            if (taken.insert(cut).second) result.tags.push_back(std::move(cut));
            if (!bCut) continue;
        }
        untaken.insert(tag);
        result.untaken.push_back(tag);
    }
    return result;
}

} // namespace quillmark
