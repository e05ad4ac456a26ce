#include "host/wordapplication.h"

#include "host/keywords.h"
#include "host/pathrules.h"
#include "store/taggingdatabase.h"

namespace quillmark {

WordApplication::~WordApplication() { DisconnectApplicationEvents(); }

bool WordApplication::AddControls()
{
    return AddFixedControls(m_commandSinks.m_browseWord, DialogKind::BrowseDocuments);
}

bool WordApplication::MergeTagsFromFile(const std::string&) { return true; }

bool WordApplication::GetCommandBars(office::CommandBarsPtr& spCommandBars)
{
    if (m_pWordApp) m_pWordApp->get_CommandBars(&spCommandBars);
    return spCommandBars != nullptr;
}

bool WordApplication::ConnectApplicationEvents()
{
    DisconnectApplicationEvents();
    m_pEventHandler = std::make_unique<WordEventHandler>();
    m_pEventHandler->m_pOfficeApp = this;
    AdviseApplicationEvents(m_pWordApp.Get(), word::ApplicationEvents::Iid, static_cast<IDispatch*>(m_pEventHandler.get()));
    return true;
}

bool WordApplication::CreateTagButton(const office::CommandBarControlsPtr& spControls)
{
    return AddTagButton(spControls, m_commandSinks.m_tagWord, [pSinks = &m_commandSinks] {
        if (pSinks->m_pOwner) static_cast<WordApplication*>(pSinks->m_pOwner)->OnTagClick();
    });
}

bool WordApplication::AddTagButtonHandler(const office::CommandBarButtonPtr& spButton, const std::string& tag)
{
    AppendTagButtonHandler(spButton, tag).AdviseWord();
    return true;
}

bool WordApplication::RemoveTagButtonHandler(TagButtonHandler* pHandler)
{
    pHandler->m_wordClick.Unadvise();
    return true;
}

bool WordApplication::OpenDocument(const std::string& path)
{
    word::DocumentsPtr spDocuments = m_pWordApp.GetDocuments();
    const Variant no(std::int16_t(0));
    const Variant missing = Variant::Missing();
    ComPtr<word::_Document> spOpened;
    // Word reports its own trouble with the file; the outcome is not examined here.
    spDocuments->Open(Variant(path), no, no, no, missing, missing, missing, missing, missing, missing, missing,
                      missing, missing, missing, missing, missing, &spOpened);
    return true;
}

bool WordApplication::InsertSlideFromFile(const std::string&, int) { return true; }

std::string WordApplication::GetActiveDocumentPath()
{
    word::_DocumentPtr spDocument;
    GetActiveDocument(spDocument);
    return spDocument ? spDocument.GetFullName() : std::string();
}

TagList WordApplication::GetDatabaseTags(const std::string& path) { return RequireDatabase().GetFileItem(path).tags; }

bool WordApplication::GetEmbeddedTags(TagList& tags)
{
    tags = GetKeywords(nullptr);
    return true;
}

bool WordApplication::SetEmbeddedTags(const TagList& tags) { return SetKeywords(nullptr, tags); }

bool WordApplication::CanRefreshToolbar() { return true; }

TagList WordApplication::GetActiveDocumentTags() { return RequireDatabase().GetFileItem(GetActiveDocumentPath()).tags; }

bool WordApplication::SetApplication(const ComPtr<word::_Application>& spApplication)
{
    m_pWordApp = spApplication;
    return true;
}

HRESULT WordApplication::GetActiveDocument(word::_DocumentPtr& spDocument)
{
    spDocument = nullptr;
    if (!m_pWordApp) return E_POINTER;
    HRESULT hr = m_pWordApp->get_ActiveDocument(&spDocument);
    if (FAILED(hr)) spDocument = nullptr;
    else if (!spDocument) hr = S_FALSE;
    return hr;
}

std::string WordApplication::GetFullName(const word::_DocumentPtr& spDocument)
{
    return spDocument ? spDocument.GetFullName() : std::string();
}

TagList WordApplication::GetKeywords(const word::_DocumentPtr& spDocument)
{
    word::_DocumentPtr spTarget = spDocument;
    if (!spTarget) GetActiveDocument(spTarget);
    if (!spTarget) return {};
    return ReadKeywords(spTarget.GetBuiltInDocumentProperties().Get());
}

bool WordApplication::SetKeywords(const word::_DocumentPtr& spDocument, const TagList& tags)
{
    word::_DocumentPtr spTarget = spDocument;
    if (!spTarget) GetActiveDocument(spTarget);
    if (!spTarget) return true;
    WriteKeywords(spTarget.GetBuiltInDocumentProperties().Get(), tags);
    return true;
}

bool WordApplication::IsSavedToFile(const word::_DocumentPtr& spDocument)
{
    return IsFilePath(GetFullName(spDocument));
}

bool WordApplication::IsTemplate(const word::_DocumentPtr& spDocument)
{
    std::string fullName = spDocument.GetFullName();
    for (char& c : fullName)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return fullName.ends_with(".dot");
}

void WordApplication::OnTagClick()
{
    word::_DocumentPtr spDocument;
    GetActiveDocument(spDocument);
    if (spDocument) ShowTagDialog(DialogKind::TagWord, spDocument.Get());
}

} // namespace quillmark
