#include "host/powerpointapplication.h"

#include "host/keywords.h"
#include "host/pathrules.h"
#include "host/presentationuse.h"
#include "resources/strings.h"
#include "store/taggingdatabase.h"

namespace quillmark {

namespace {
constexpr int kIdsProductAuthor = 134;
constexpr int kSlidePane = 2;
} // namespace

PowerPointApplication::PowerPointApplication() : m_pPreviewRequest(std::make_unique<PreviewRequest>()) {}

PowerPointApplication::~PowerPointApplication() { DisconnectApplicationEvents(); }

bool PowerPointApplication::AddControls()
{
    return AddFixedControls(m_commandSinks.m_browsePowerPoint, DialogKind::BrowsePresentations);
}

bool PowerPointApplication::MergeTagsFromFile(const std::string& path)
{
    {
        // Opening lets the open-event handler record the file's tags under its new
        // path. A presentation that is open already fires no open event: the same
        // union is run on it here, and it stays open.
        PresentationUse use(*this, path);
        if (use.Presentation() && !use.OpenedHere() && m_pEventHandler)
            m_pEventHandler->OnPresentationOpen(use.Presentation().Get());
    }

    const std::string activePath = GetActiveDocumentPath();
    if (activePath.empty()) {
        RemoveTagButtons(false);
        EnableTagButton(false);
    } else {
        RefreshTagToolbar(activePath, true);
    }
    return true;
}

bool PowerPointApplication::GetCommandBars(office::CommandBarsPtr& spCommandBars)
{
    if (m_pPPTApp) m_pPPTApp->get_CommandBars(&spCommandBars);
    return spCommandBars != nullptr;
}

bool PowerPointApplication::ConnectApplicationEvents()
{
    DisconnectApplicationEvents();
    m_pEventHandler = std::make_unique<PowerPointEventHandler>();
    m_pEventHandler->m_pOfficeApp = this;
    AdviseApplicationEvents(m_pPPTApp.Get(), powerpoint::EApplication::Iid, static_cast<IDispatch*>(m_pEventHandler.get()));
    return true;
}

bool PowerPointApplication::CreateTagButton(const office::CommandBarControlsPtr& spControls)
{
    return AddTagButton(spControls, m_commandSinks.m_tagPowerPoint, [pSinks = &m_commandSinks] {
        if (pSinks->m_pOwner) static_cast<PowerPointApplication*>(pSinks->m_pOwner)->OnTagClick();
    });
}

bool PowerPointApplication::AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag)
{
    AppendTagButtonHandler(spButton, tag).AdvisePowerPoint();
    return true;
}

bool PowerPointApplication::RemoveTagButtonHandler(TagButtonHandler* pHandler)
{
    pHandler->m_powerPointClick.Unadvise();
    return true;
}

bool PowerPointApplication::OpenDocument(const std::string& path)
{
    powerpoint::_PresentationPtr spPresentation;
    return OpenPresentation(path, spPresentation);
}

bool PowerPointApplication::InsertSlideFromFile(const std::string& path, int slideNumber)
{
    powerpoint::DocumentWindowPtr spWindow;
    if (FAILED(m_pPPTApp->get_ActiveWindow(&spWindow)) || !spWindow) return true;

    powerpoint::ViewPtr spView = spWindow.GetView();
    if (spView.GetType() == powerpoint::ppViewNormal) {
        // The slide pane, so that the view's slide is the one being edited.
        powerpoint::PanesPtr ppPanes = spWindow.GetPanes();
        powerpoint::PanePtr ppPane = ppPanes.Item(kSlidePane);
        ppPane.Activate();
    }

    std::int32_t index = 1;
    ComPtr<IDispatch> spShown;
    if (FAILED(spView->get_Slide(&spShown)) || !spShown) return true;
    ComPtr<powerpoint::_Slide> spSlideRaw;
    ThrowIfFailed(spShown.As(spSlideRaw), "View.Slide");
    powerpoint::_SlidePtr spSlide(spSlideRaw);
    index = spSlide.GetSlideIndex();

    powerpoint::_PresentationPtr spPresent = m_pPPTApp.GetActivePresentation();
    powerpoint::SlidesPtr spSlides = spPresent.GetSlides();
    spSlides.InsertFromFile(path, index, slideNumber, slideNumber);
    return true;
}

std::string PowerPointApplication::GetActiveDocumentPath()
{
    powerpoint::_PresentationPtr spPresentation = GetActivePresentation();
    return spPresentation ? spPresentation.GetFullName() : std::string();
}

TagList PowerPointApplication::GetDatabaseTags(const std::string& path)
{
    return RequireDatabase().GetFileItem(path).tags;
}

bool PowerPointApplication::GetEmbeddedTags(TagList& tags)
{
    tags = GetKeywords(nullptr);
    return true;
}

bool PowerPointApplication::SetEmbeddedTags(const TagList& tags) { return SetKeywords(nullptr, tags); }

bool PowerPointApplication::CanRefreshToolbar() { return true; }

bool PowerPointApplication::SetApplication(const ComPtr<powerpoint::_Application>& spApplication)
{
    m_pPPTApp = spApplication;
    return true;
}

std::string PowerPointApplication::GetFullName(const powerpoint::_PresentationPtr& spPresentation)
{
    return spPresentation.GetFullName();
}

TagList PowerPointApplication::GetActiveDocumentTags()
{
    return RequireDatabase().GetFileItem(GetActiveDocumentPath()).tags;
}

bool PowerPointApplication::OpenPresentation(const std::string& path, powerpoint::_PresentationPtr& spPresentation)
{
    spPresentation = nullptr;
    powerpoint::PresentationsPtr spPresentations = m_pPPTApp.GetPresentations();
    // PowerPoint reports its own trouble with the file; the outcome is not examined here.
    if (FAILED(spPresentations->Open(path, office::msoFalse, office::msoFalse, office::msoTrue, &spPresentation)))
        spPresentation = nullptr;
    return true;
}

powerpoint::_PresentationPtr PowerPointApplication::GetActivePresentation()
{
    powerpoint::_PresentationPtr spPresentation;
    if (!m_pPPTApp || FAILED(m_pPPTApp->get_ActivePresentation(&spPresentation))) spPresentation = nullptr;
    return spPresentation;
}

TagList PowerPointApplication::GetKeywords(const powerpoint::_PresentationPtr& spPresentation)
{
    powerpoint::_PresentationPtr spTarget = spPresentation ? spPresentation : GetActivePresentation();
    if (!spTarget) return {};
    return ReadKeywords(spTarget.GetBuiltInDocumentProperties().Get());
}

bool PowerPointApplication::SetKeywords(const powerpoint::_PresentationPtr& spPresentation, const TagList& tags)
{
    powerpoint::_PresentationPtr spTarget = spPresentation ? spPresentation : GetActivePresentation();
    if (!spTarget) return true;
    WriteKeywords(spTarget.GetBuiltInDocumentProperties().Get(), tags);
    return true;
}

bool PowerPointApplication::IsSavedToFile(const powerpoint::_PresentationPtr& spPresentation)
{
    return IsFilePath(GetFullName(spPresentation));
}

bool PowerPointApplication::IsAuthoredByProduct(const powerpoint::_PresentationPtr& spPresentation)
{
    const std::string author = ReadBuiltInProperty(spPresentation.GetBuiltInDocumentProperties().Get(), "Author");
    return author == LoadResString(kIdsProductAuthor);
}

void PowerPointApplication::OnTagClick()
{
    powerpoint::_PresentationPtr spPresentation = GetActivePresentation();
    if (spPresentation) ShowTagDialog(DialogKind::TagPowerPoint, spPresentation.Get());
}

} // namespace quillmark
