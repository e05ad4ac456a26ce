// The command bar of OfficeApplication: the bar, its fixed controls, the tag
// buttons and what the controls do when clicked.
#include <utility>

#include "docprops/taglimits.h"
#include "host/officeapplication.h"
#include "host/tagcaption.h"
#include "platform/shell/opener.h"
#include "resources/strings.h"
#include "store/appsettings.h"

namespace quillmark {

using office::CommandBarButton;
using office::CommandBarButtonPtr;
using office::CommandBarComboBox;
using office::CommandBarComboBoxPtr;
using office::CommandBarControlsPtr;
using office::CommandBarPopup;
using office::CommandBarPopupPtr;

namespace {

// String resources of the bar.
constexpr int kIdsVersion = 101;
constexpr int kIdsSearchTags = 104;
constexpr int kIdsAbout = 106;
constexpr int kIdsMenuPrefix = 107;
constexpr int kIdsOptions = 108;
constexpr int kIdsHelp = 109;
constexpr int kIdsWebsite = 110;
constexpr int kIdsBrowse = 117;
constexpr int kIdsTagTooltipStart = 124;
constexpr int kIdsTagTooltipEnd = 125;

constexpr int kFaceBrowse = 1661;
constexpr int kFaceAbout = 984;
constexpr int kFaceOptions = 502;
constexpr int kFaceHelp = 983;
constexpr int kFaceWebsite = 2497;
constexpr int kFaceTagInDocument = 1546; // the tag is also in the document's "Keywords"
constexpr int kFaceTagInDatabase = 1589; // the tag is known to the database only

constexpr int kSearchBoxWidth = 95;
constexpr int kSearchBoxLines = 8;

// CommandBarControls.Add(Type, Id, Parameter, Before, Temporary = true).
office::CommandBarControlPtr AddTemporaryControl(const CommandBarControlsPtr& spControls, office::MsoControlType type)
{
    return spControls.Add(Variant(type), Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant(true));
}

// The control as the interface its type promises.
template <class Wrapper, class Interface>
Wrapper Expect(const office::CommandBarControlPtr& spControl, const char* what)
{
    ComPtr<Interface> spTyped;
    ThrowIfFailed(spControl.As(spTyped), what);
    return Wrapper(spTyped);
}

} // namespace

bool OfficeApplication::CreateCommandBar()
{
    office::CommandBarsPtr spCommandBars;
    if (!GetCommandBars(spCommandBars)) return false;

    const std::string name = RequireSettings().ProductName + " " + LoadResString(kIdsVersion);
    m_pCommandBar = spCommandBars.Add(Variant(name), Variant("1"), Variant::Missing(), Variant(true));
    AddControls();
    ConnectApplicationEvents();
    m_pCommandBar.PutVisible(true);
    return true;
}

bool OfficeApplication::AddFixedControls(ControlSubscription& browseSink, DialogKind browseKind)
{
    CommandBarControlsPtr spControls = m_pCommandBar.GetControls();
    AddProductMenu(spControls);
    AddSearchBox(spControls);
    m_spBrowseButton = AddButton(spControls, LoadResString(kIdsBrowse), kFaceBrowse);
    browseSink.Advise(m_spBrowseButton.Get(), [pSinks = &m_commandSinks, browseKind] {
        if (pSinks->m_pOwner) pSinks->m_pOwner->ShowBrowseDialog(browseKind, {});
    });
    return true;
}

bool OfficeApplication::AddProductMenu(const CommandBarControlsPtr& spControls)
{
    const AppSettings& settings = RequireSettings();
    auto spPopup = Expect<CommandBarPopupPtr, CommandBarPopup>(AddTemporaryControl(spControls, office::msoControlPopup),
                                                               "CommandBarPopup");
    spPopup.PutVisible(true);
    spPopup.PutCaption(LoadResString(kIdsMenuPrefix) + settings.ProductName);
    spPopup.PutEnabled(true);
    spPopup.PutTooltipText(settings.ProductName);
    spPopup.PutTag("QK");

    CommandBarControlsPtr spItems = spPopup.GetControls();
    CommandSinks* pSinks = &m_commandSinks;
    m_spAboutButton = AddButton(spItems, LoadResString(kIdsAbout), kFaceAbout);
    m_commandSinks.m_about.Advise(m_spAboutButton.Get(), [pSinks] {
        if (pSinks->m_pOwner) pSinks->m_pOwner->ShowAboutDialog();
    });
    m_spOptionsButton = AddButton(spItems, LoadResString(kIdsOptions), kFaceOptions);
    m_commandSinks.m_options.Advise(m_spOptionsButton.Get(), [pSinks] {
        if (pSinks->m_pOwner) pSinks->m_pOwner->ShowOptionsDialog();
    });
    m_spHelpButton = AddButton(spItems, LoadResString(kIdsHelp), kFaceHelp);
    m_commandSinks.m_help.Advise(m_spHelpButton.Get(), [pSinks] {
        if (pSinks->m_pOwner) pSinks->m_pOwner->OpenHelp();
    });
    m_spWebsiteButton = AddButton(spItems, LoadResString(kIdsWebsite), kFaceWebsite);
    m_commandSinks.m_website.Advise(m_spWebsiteButton.Get(), [pSinks] {
        if (pSinks->m_pOwner) pSinks->m_pOwner->OpenWebsite();
    });
    return true;
}

CommandBarComboBoxPtr OfficeApplication::AddSearchBox(const CommandBarControlsPtr& spControls)
{
    auto spComboBox = Expect<CommandBarComboBoxPtr, CommandBarComboBox>(
        AddTemporaryControl(spControls, office::msoControlComboBox), "CommandBarComboBox");
    const std::string& searchTags = LoadResString(kIdsSearchTags);
    spComboBox.PutWidth(kSearchBoxWidth);
    spComboBox.PutCaption(searchTags);
    spComboBox.PutText(searchTags);
    spComboBox.PutDropDownLines(kSearchBoxLines);
    m_searchBoxHandler.Reset(this, spComboBox);
    return spComboBox;
}

CommandBarButtonPtr OfficeApplication::AddButton(const CommandBarControlsPtr& spControls, const std::string& caption,
                                                 int faceId, bool bIsTagButton, const std::string& tooltip)
{
    auto spButton = Expect<CommandBarButtonPtr, CommandBarButton>(
        AddTemporaryControl(spControls, office::msoControlButton), "CommandBarButton");
    spButton.PutStyle(office::msoButtonIconAndCaption);
    spButton.PutVisible(true);
    // A tag's button shows the tag as a caption may; its Tag and tooltip keep the tag whole.
    spButton.PutCaption(bIsTagButton ? TagButtonCaption(caption) : caption);
    spButton.PutEnabled(true);
    spButton.PutTag(caption);
    if (bIsTagButton)
        spButton.PutTooltipText(LoadResString(kIdsTagTooltipStart) + caption + LoadResString(kIdsTagTooltipEnd));
    else
        spButton.PutTooltipText(tooltip.empty() ? caption : tooltip);
    spButton.PutFaceId(faceId);
    return spButton;
}

CommandBarButtonPtr OfficeApplication::AddButton(const CommandBarControlsPtr& spControls, const std::string& caption,
                                                 int faceId, bool bIsTagButton)
{
    return AddButton(spControls, caption, faceId, bIsTagButton, std::string());
}

CommandBarButtonPtr OfficeApplication::AddButton(const CommandBarControlsPtr& spControls, const std::string& caption,
                                                 int faceId, const std::string& tooltip)
{
    return AddButton(spControls, caption, faceId, false, tooltip);
}

CommandBarButtonPtr OfficeApplication::AddButton(const CommandBarControlsPtr& spControls, const std::string& caption,
                                                 int faceId)
{
    return AddButton(spControls, caption, faceId, false, std::string());
}

bool OfficeApplication::AddTagButton(const CommandBarControlsPtr& spControls, ControlSubscription& tagSink,
                                     std::function<void()> fnClick)
{
    constexpr int kIdsTag = 111;
    constexpr int kFaceTag = 625;
    tagSink.Unadvise();
    m_spTagButton = AddButton(spControls, LoadResString(kIdsTag), kFaceTag);
    tagSink.Advise(m_spTagButton.Get(), std::move(fnClick));
    return true;
}

bool OfficeApplication::RemoveTagButtons(bool bRecreateTagButton)
{
    CommandBarControlsPtr spControls = m_pCommandBar.GetControls();
    // Positions 1-3 hold the fixed controls, 4 the "&Tag" button, 5 on the tag buttons.
    const int first = bRecreateTagButton ? 4 : 5;
    const int count = bRecreateTagButton ? m_nTagButtons : m_nTagButtons - 1;
    // The last first: no control after the deleted one has to move up.
    for (int i = count - 1; i >= 0; --i)
        spControls.GetItem(Variant(std::int32_t(first + i))).Delete(Variant(false));

    for (TagButtonHandler* pHandler : m_tagButtonHandlers) {
        RemoveTagButtonHandler(pHandler);
        delete pHandler;
    }
    m_tagButtonHandlers.clear();
    m_nTagButtons = 1;

    // A bar that has no "&Tag" button yet (no window was activated since the bar was
    // built) gets it now, so that m_nTagButtons always counts real controls.
    if (bRecreateTagButton || !m_spTagButton) CreateTagButton(spControls);
    return true;
}

void OfficeApplication::EnableTagButton(bool bEnabled)
{
    if (m_spTagButton && m_spTagButton.GetEnabled() != bEnabled) m_spTagButton.PutEnabled(bEnabled);
}

bool OfficeApplication::RefreshTagToolbar(const std::string& path, bool bRecreateTagButton)
{
    if (!CanRefreshToolbar()) return false;

    CommandBarControlsPtr spControls = m_pCommandBar.GetControls();
    RemoveTagButtons(bRecreateTagButton);
    // Also refreshed with no document open (after Options): "&Tag" would do nothing.
    EnableTagButton(!GetActiveDocumentPath().empty());

    TagList embeddedTags;
    GetEmbeddedTags(embeddedTags);
    const bool bHasFilePath = HasFilePath();
    const TagList tags = bHasFilePath ? GetDatabaseTags(path) : embeddedTags;
    // Made once for the whole refresh: a document may hold thousands of tags.
    const TagSet embeddedSet(embeddedTags.begin(), embeddedTags.end());

    const bool bFilterFileName = RequireSettings().GlobalDefaultFileNameTag != 1;
    bool bFileNameSkipped = false;
    std::string fileNameTag;
    bool bFileNameKnown = false;
    std::size_t nShown = 0;
    for (const std::string& tag : tags) {
        // The first ones only: a bar of thousands of buttons is of no use, and every
        // tag stays reachable through Browse.
        if (nShown == kMaxTagButtons) break;
        // A tag is never empty; a record holding one gets no button for it.
        if (TrimTag(tag).empty()) continue;
        if (bFilterFileName && !bFileNameSkipped) {
            if (!bFileNameKnown) {
                fileNameTag = GetFileNameTag(GetActiveDocumentPath());
                bFileNameKnown = true;
            }
            if (tag == fileNameTag) {
                bFileNameSkipped = true;
                continue;
            }
        }
        const int faceId = bHasFilePath && embeddedSet.contains(tag) ? kFaceTagInDocument : kFaceTagInDatabase;
        CommandBarButtonPtr spButton = AddButton(spControls, tag, faceId, true);
        // Counted as soon as it is on the bar, so that a failure further on cannot
        // leave a button behind that the next refresh would not remove.
        const bool bFirst = m_nTagButtons == 1;
        ++m_nTagButtons;
        ++nShown;
        if (bFirst) spButton.PutBeginGroup(true);
        AddTagButtonHandler(spButton, tag);
    }
    return true;
}

void OfficeApplication::ShowBrowseDialog(DialogKind kind, const std::string& searchText)
{
    DialogRequest request;
    request.kind = kind;
    request.strSearch = searchText;
    ShowDialog(std::move(request));
}

void OfficeApplication::ShowAboutDialog()
{
    DialogRequest request;
    request.kind = DialogKind::About;
    ShowDialog(std::move(request));
}

void OfficeApplication::ShowOptionsDialog()
{
    DialogRequest request;
    request.kind = DialogKind::Options;
    if (ShowDialog(std::move(request))) RefreshTagToolbar(GetActiveDocumentPath(), false);
}

void OfficeApplication::OpenHelp()
{
    const AppSettings& settings = RequireSettings();
    shell::OpenUrl(settings.GetWebsiteURL() + settings.WebsiteHelpURL);
}

void OfficeApplication::OpenWebsite() { shell::OpenUrl(RequireSettings().GetWebsiteURL()); }

TagButtonHandler::TagButtonHandler(OfficeApplication* pOwner, CommandBarButtonPtr spButton, std::string strTag)
    : m_pOwner(pOwner), m_spButton(std::move(spButton)), m_strTag(std::move(strTag))
{
}

void TagButtonHandler::AdviseWord()
{
    // The dialog may outlive this handler (a refresh during it drops the handler),
    // so the click takes copies.
    m_wordClick.Advise(m_spButton.Get(), [pOwner = m_pOwner, tag = m_strTag] {
        pOwner->ShowBrowseDialog(DialogKind::BrowseDocuments, tag);
    });
}

void TagButtonHandler::AdvisePowerPoint()
{
    m_powerPointClick.Advise(m_spButton.Get(), [pOwner = m_pOwner, tag = m_strTag] {
        pOwner->ShowBrowseDialog(DialogKind::BrowsePresentations, tag);
    });
}

void SearchBoxHandler::Reset(OfficeApplication* pOwner, CommandBarComboBoxPtr spComboBox)
{
    m_change.Unadvise();
    m_pOwner = pOwner;
    m_spComboBox = std::move(spComboBox);
    m_change.Advise(m_spComboBox.Get(), [this] { OnChange(); });
}

void SearchBoxHandler::OnChange()
{
    if (!m_pOwner) return;
    const std::string& searchTags = LoadResString(kIdsSearchTags);
    const std::string text = m_spComboBox.GetText();
    if (text == searchTags) return;
    m_spComboBox.PutText(searchTags);
    // The history holds each text once, the newest last (list indexes count from 1).
    for (std::int32_t i = m_spComboBox.GetListCount(); i >= 1; --i)
        if (m_spComboBox.GetList(i) == text) m_spComboBox.RemoveItem(i);
    m_spComboBox.AddItem(text);
    m_pOwner->ShowBrowseDialog(DialogKind::BrowsePresentations, text);
}

} // namespace quillmark
