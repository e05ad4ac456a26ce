#include "host/officeapplication.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "host/pathrules.h"
#include "platform/shell/temporaryfolder.h"
#include "platform/shell/folders.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "store/tagunion.h"

namespace quillmark {

OfficeApplication::OfficeApplication() = default;

OfficeApplication::~OfficeApplication()
{
    DisconnectApplicationEvents();
    for (TagButtonHandler* pHandler : m_tagButtonHandlers)
        delete pHandler; // its subscriptions end with it
    m_tagButtonHandlers.clear();
}

void OfficeApplication::DisconnectApplicationEvents()
{
    if (m_pConnectionPoint) m_pConnectionPoint->Unadvise(m_dwAppEventsCookie);
    m_pConnectionPoint = nullptr;
    m_dwAppEventsCookie = 0;
}

bool OfficeApplication::SetSettings(AppSettings* pSettings)
{
    m_pSettings = pSettings;
    return true;
}

bool OfficeApplication::SetDatabase(TaggingDatabase* pDatabase)
{
    m_pDatabase = pDatabase;
    m_commandSinks.m_pOwner = this;
    return true;
}

const AppSettings& OfficeApplication::RequireSettings() const
{
    if (!m_pSettings) throw std::logic_error("m_pSettings != 0");
    return *m_pSettings;
}

TaggingDatabase& OfficeApplication::RequireDatabase() const
{
    if (!m_pDatabase) throw std::logic_error("m_pDatabase != 0");
    return *m_pDatabase;
}

bool OfficeApplication::HasFilePath() { return IsFilePath(GetActiveDocumentPath()); }

bool OfficeApplication::IsInTemporaryFolder(const std::string& path)
{
    return shell::IsInTemporaryFolder(path);
}

bool OfficeApplication::IsTagInList(const std::string& tag, const TagList& tags)
{
    const TagSet tagSet(tags.begin(), tags.end());
    return tagSet.contains(tag);
}

std::string OfficeApplication::GetFileNameTag(const std::string& path) { return FileNameTag(path); }

HRESULT OfficeApplication::DispatchByName(std::uint16_t flags, Variant* result, IDispatch* object,
                                          std::string_view name, std::initializer_list<Variant> lastFirstArgs)
{
    if (!object) return S_OK;
    const std::string member(name);
    const char* names[] = {member.c_str()};
    DISPID dispId = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispId);
    if (FAILED(hr)) return hr;

    DispParams params;
    params.args.assign(lastFirstArgs.begin(), lastFirstArgs.end());
    if ((flags & DISPATCH_PROPERTYPUT) && !params.args.empty()) params.namedArgs = {DISPID_PROPERTYPUT};
    return object->Invoke(dispId, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, nullptr, nullptr);
}

bool OfficeApplication::ShowDialog(DialogRequest request)
{
    if (!m_pDialogLauncher) return false;
    request.pOfficeApp = this;
    request.pSettings = m_pSettings;
    return m_pDialogLauncher->Show(request);
}

bool OfficeApplication::ShowTagDialog(DialogKind kind, IDispatch* pDocument)
{
    DialogRequest request;
    request.kind = kind;
    request.spDocument = ComPtr<IDispatch>(pDocument);
    return ShowDialog(std::move(request));
}

void OfficeApplication::AdviseApplicationEvents(IUnknown* pApplication, const IID& eventsIid, IDispatch* pSink)
{
    ComPtr<IConnectionPointContainer> spContainer;
    spContainer.QueryFrom(pApplication);
    if (spContainer) spContainer->FindConnectionPoint(eventsIid, &m_pConnectionPoint);
    if (m_pConnectionPoint) m_pConnectionPoint->Advise(pSink, &m_dwAppEventsCookie);
}

TagButtonHandler& OfficeApplication::AppendTagButtonHandler(const office::CommandBarButtonPtr& spButton,
                                                            const std::string& tag)
{
    auto pHandler = std::make_unique<TagButtonHandler>(this, spButton, tag);
    m_tagButtonHandlers.push_back(pHandler.get());
    return *pHandler.release();
}

} // namespace quillmark
