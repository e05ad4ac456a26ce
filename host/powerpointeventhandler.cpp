#include "host/powerpointeventhandler.h"

#include <stdexcept>

#include "host/powerpointapplication.h"
#include "store/tagunion.h"
#include "store/taggingdatabase.h"

namespace quillmark {

namespace {

// The event's presentation as PowerPoint's _Presentation; empty when the argument is none.
powerpoint::_PresentationPtr PresentationOf(IDispatch* pPres)
{
    powerpoint::_PresentationPtr spPresentation;
    if (pPres) spPresentation.QueryFrom(pPres);
    return spPresentation;
}

// The object's identity, which stays the same for every reference to it.
ComPtr<IUnknown> IdentityOf(IDispatch* pPres)
{
    ComPtr<IUnknown> spIdentity;
    if (pPres) spIdentity.QueryFrom(pPres);
    return spIdentity;
}

} // namespace

PowerPointEventHandler::PowerPointEventHandler()
{
    // PowerPoint's application events that matter here, by dispatch id; every
    // other event is accepted and ignored.
    m_eventTable.Add("WindowActivate", powerpoint::DISPID_PowerPoint_WindowActivate,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnWindowActivate(EventObjectArgument(params, 0), EventObjectArgument(params, 1));
                         return S_OK;
                     });
    m_eventTable.Add("PresentationOpen", powerpoint::DISPID_PowerPoint_PresentationOpen,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnPresentationOpen(EventObjectArgument(params, 0));
                         return S_OK;
                     });
    m_eventTable.Add("PresentationBeforeSave", powerpoint::DISPID_PowerPoint_PresentationBeforeSave,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnPresentationBeforeSave(EventObjectArgument(params, 0), params.Positional(1));
                         return S_OK;
                     });
    m_eventTable.Add("PresentationClose", powerpoint::DISPID_PowerPoint_PresentationClose,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnPresentationClose(EventObjectArgument(params, 0));
                         return S_OK;
                     });
    m_eventTable.Add("PresentationSave", powerpoint::DISPID_PowerPoint_PresentationSave,
                     [this](std::uint16_t, DispParams& params, Variant*) {
                         OnPresentationSave(EventObjectArgument(params, 0));
                         return S_OK;
                     });
}

PowerPointApplication& PowerPointEventHandler::Application() const
{
    if (!m_pOfficeApp) throw std::logic_error("m_pOfficeApp != 0");
    return *static_cast<PowerPointApplication*>(m_pOfficeApp);
}

void PowerPointEventHandler::OnPresentationOpen(IDispatch* pPres)
{
    PowerPointApplication& app = Application();
    const powerpoint::_PresentationPtr spPresentation = PresentationOf(pPres);
    if (!spPresentation) return;
    const std::string fullName = spPresentation.GetFullName();

    m_merged.NoteOpenedFromFile(IdentityOf(pPres));
    if (app.IsInTemporaryFolder(fullName) || app.IsAuthoredByProduct(spPresentation)) return;
    // The database keeps its tags and their order; what only the presentation
    // holds is appended, and the file-name tag after it. Nothing new: nothing is
    // written, and the activation that follows the opening rebuilds the tag buttons.
    bool bChanged = false;
    m_merged.Merge(DatabaseOf(app), IdentityOf(pPres), fullName, app.GetKeywords(spPresentation), bChanged);
    if (bChanged) app.RefreshTagToolbar(fullName, true);
}

void PowerPointEventHandler::OnPresentationBeforeSave(IDispatch* pPres, const Variant*)
{
    PowerPointApplication& app = Application();
    const powerpoint::_PresentationPtr spPresentation = PresentationOf(pPres);
    if (!spPresentation) return;
    const std::string fullName = spPresentation.GetFullName();

    // The database wins over what it holds, so that the saved file carries the
    // stored tags; Keywords it has not taken stay as they are. The record itself is
    // written after the save.
    if (app.IsSavedToFile(spPresentation) && !app.IsAuthoredByProduct(spPresentation) &&
        !app.IsInTemporaryFolder(fullName)) {
        if (const auto stored =
                m_merged.TagsForSave(DatabaseOf(app), IdentityOf(pPres), fullName, app.GetKeywords(spPresentation)))
            app.SetKeywords(spPresentation, *stored);
    }
}

void PowerPointEventHandler::OnPresentationSave(IDispatch* pPres)
{
    PowerPointApplication& app = Application();
    const powerpoint::_PresentationPtr spPresentation = PresentationOf(pPres);
    if (!spPresentation) return;
    const std::string fullName = spPresentation.GetFullName();

    const TagList keywords = app.GetKeywords(spPresentation);
    const TagUnion unionTags = TagUnion::ForSavedDocument(keywords, OfficeApplication::GetFileNameTag(fullName));
    // A presentation in a temporary folder leaves the database and the bar alone.
    if (app.IsInTemporaryFolder(fullName)) return;
    m_merged.RecordSaved(DatabaseOf(app), IdentityOf(pPres), fullName, keywords, unionTags.Tags());
    app.RefreshTagToolbar(app.GetFullName(spPresentation), false);
}

void PowerPointEventHandler::OnWindowActivate(IDispatch* pPres, IDispatch*)
{
    PowerPointApplication& app = Application();
    const powerpoint::_PresentationPtr spPresentation = PresentationOf(pPres);
    if (!spPresentation) return;
    app.RefreshTagToolbar(spPresentation.GetFullName(), true);
}

void PowerPointEventHandler::OnPresentationClose(IDispatch* pPres)
{
    PowerPointApplication& app = Application();
    m_merged.Forget(IdentityOf(pPres));
    // The closing presentation still counts; another one's activation rebuilds the bar.
    if (app.Application().GetPresentations().GetCount() <= 1) {
        app.RemoveTagButtons(false);
        app.EnableTagButton(false);
    }
}

} // namespace quillmark
