#include "host/presentationuse.h"

#include "host/powerpointapplication.h"

namespace quillmark {

namespace {

// The number of open presentations; -1 when PowerPoint does not say.
int OpenCount(const powerpoint::_ApplicationPtr& spApplication)
{
    powerpoint::PresentationsPtr spPresentations;
    std::int32_t count = 0;
    if (!spApplication || FAILED(spApplication->get_Presentations(&spPresentations)) || !spPresentations ||
        FAILED(spPresentations->get_Count(&count)))
        return -1;
    return count;
}

} // namespace

powerpoint::_PresentationPtr FindOpenPresentation(const powerpoint::_ApplicationPtr& spApplication,
                                                  const std::string& path)
{
    powerpoint::PresentationsPtr spPresentations;
    if (path.empty() || !spApplication || FAILED(spApplication->get_Presentations(&spPresentations)) ||
        !spPresentations)
        return nullptr;
    std::int32_t count = 0;
    if (FAILED(spPresentations->get_Count(&count))) return nullptr;
    for (std::int32_t i = 1; i <= count; ++i) {
        powerpoint::_PresentationPtr spPresentation;
        std::string fullName;
        if (SUCCEEDED(spPresentations->Item(Variant(i), &spPresentation)) && spPresentation &&
            SUCCEEDED(spPresentation->get_FullName(&fullName)) && fullName == path)
            return spPresentation;
    }
    return nullptr;
}

PresentationUse::PresentationUse(PowerPointApplication& app, const std::string& path)
{
    m_spPresentation = FindOpenPresentation(app.Application(), path);
    if (m_spPresentation) return;
    // Opening a file that is open under another spelling of its path hands back
    // that window: only a presentation that was not there before is ours to close.
    const int before = OpenCount(app.Application());
    app.OpenPresentation(path, m_spPresentation);
    m_bOpenedHere = m_spPresentation && before >= 0 && OpenCount(app.Application()) > before;
}

PresentationUse::~PresentationUse() { Close(); }

void PresentationUse::Close()
{
    // Not a wrapper call: closing must not throw, also while an error unwinds.
    if (m_spPresentation && m_bOpenedHere) m_spPresentation->Close();
    m_spPresentation = nullptr;
    m_bOpenedHere = false;
}

} // namespace quillmark
