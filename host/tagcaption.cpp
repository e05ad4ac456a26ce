#include "host/tagcaption.h"

#include "store/utf8.h"

namespace quillmark {

std::string TagButtonCaption(const std::string& tag)
{
    std::string caption;
    std::size_t characters = 0, pos = 0;
    while (pos < tag.size() && characters < kTagCaptionLength) {
        const utf8::Unit unit = utf8::Decode(tag, pos);
        caption.append(tag, pos, unit.length);
        pos += unit.length;
        ++characters;
    }
    if (pos < tag.size()) caption += "...";
    std::string doubled;
    doubled.reserve(caption.size());
    for (char c : caption) {
        if (c == '&') doubled += '&';
        doubled += c;
    }
    return doubled;
}

} // namespace quillmark
