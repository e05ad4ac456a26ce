#include "host/tagunion.h"

#include <utility>

namespace quillmark {

TagUnion::TagUnion(TagList tags) : m_tags(std::move(tags)), m_setHeld(m_tags.begin(), m_tags.end()) {}

bool TagUnion::Add(const std::string& tag)
{
    if (tag.empty() || !m_setHeld.insert(tag).second) return false;
    m_tags.push_back(tag);
    return true;
}

} // namespace quillmark
