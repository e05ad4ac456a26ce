#include "simoffice/simdocument.h"

#include "platform/files/paths.h"
#include "platform/registry/regmodel.h"

#include <algorithm>

namespace quillmark::simoffice {

unsigned long long NextSlideId()
{
    static unsigned long long s_nNext = 0;
    return ++s_nNext;
}

DocumentProperties::DocumentProperties()
    : m_vecValues{{"Title", ""}, {"Subject", ""}, {"Author", ""}, {"Keywords", ""}, {"Comments", ""}}
{
}

const std::string* DocumentProperties::Find(const std::string& name) const
{
    for (const auto& [key, value] : m_vecValues)
        if (registry::EqualNoCase(key, name)) return &value;
    return nullptr;
}

bool DocumentProperties::Set(const std::string& name, const std::string& value)
{
    for (auto& [key, current] : m_vecValues) {
        if (registry::EqualNoCase(key, name)) {
            current = value;
            return true;
        }
    }
    return false;
}

std::vector<std::string> SimDocument::PropertyNames() const
{
    std::vector<std::string> names;
    for (const auto& [key, value] : m_properties.All()) names.push_back(key);
    return names;
}

std::optional<std::string> SimDocument::FindProperty(const std::string& name) const
{
    const std::string* p = m_properties.Find(name);
    return p ? std::optional<std::string>(*p) : std::nullopt;
}

std::string SimDocument::SlideTitle(int index) const
{
    if (index < 1 || index > SlideCount()) return {};
    return m_vecSlides[static_cast<size_t>(index - 1)].text;
}

unsigned long long SimDocument::SlideId(int index) const
{
    if (index < 1 || index > SlideCount()) return 0;
    return m_vecSlides[static_cast<size_t>(index - 1)].id;
}

bool SimDocument::SetProperty(const std::string& name, const std::string& value)
{
    if (!m_properties.Set(name, value)) return false;
    m_bSaved = false;
    Changed();
    return true;
}

void SimDocument::SetSlideCount(int count)
{
    count = std::max(count, 0);
    std::string stem = Name();
    while (static_cast<int>(m_vecSlides.size()) < count)
        m_vecSlides.push_back({stem + " - slide " + std::to_string(m_vecSlides.size() + 1), NextSlideId(), {}, 0});
    m_vecSlides.resize(static_cast<size_t>(count));
    m_nCurrentSlide = std::clamp(m_nCurrentSlide, count > 0 ? 1 : 0, count);
    m_bSaved = false;
    Changed();
}

void SimDocument::MarkChanged()
{
    m_bSaved = false;
    Changed();
}

int SimDocument::CurrentSlide() const
{
    return m_vecSlides.empty() ? 0 : std::clamp(m_nCurrentSlide, 1, static_cast<int>(m_vecSlides.size()));
}

bool SimDocument::SetCurrentSlide(int index)
{
    if (index < 1 || index > static_cast<int>(m_vecSlides.size())) return false;
    m_nCurrentSlide = index;
    Changed();
    return true;
}

} // namespace quillmark::simoffice
