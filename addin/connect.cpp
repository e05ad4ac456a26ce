#include "addin/connect.h"

#include "addin/servermodule.h"
#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "platform/files/filesystem.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"

#include <cstdio>

namespace quillmark {

namespace {

// Reads an object argument of a late-bound call: absent, empty or missing gives null.
HRESULT ObjectArg(DispParams& params, std::uint32_t index, ComPtr<IDispatch>& object)
{
    object.Reset();
    const Variant* pArg = params.Positional(index);
    if (!pArg || pArg->IsEmpty() || pArg->IsMissing()) return S_OK;
    Variant converted;
    HRESULT hr = pArg->ConvertTo(VT_DISPATCH, converted);
    if (FAILED(hr)) return hr;
    object = converted.DispatchVal();
    return S_OK;
}

HRESULT IntArg(DispParams& params, std::uint32_t index, std::int32_t& number)
{
    number = 0;
    const Variant* pArg = params.Positional(index);
    if (!pArg || pArg->IsEmpty() || pArg->IsMissing()) return S_OK;
    Variant converted;
    HRESULT hr = pArg->ConvertTo(VT_I4, converted);
    if (FAILED(hr)) return hr;
    number = converted.I4Val();
    return S_OK;
}

// The result of a notification called through Invoke.
void SetResult(Variant* result, HRESULT hr)
{
    if (result) *result = Variant(static_cast<std::int32_t>(hr));
}

} // namespace

CConnect::CConnect() : CConnect(files::FileSystem::Posix()) {}

CConnect::CConnect(files::FileSystem& fs) : m_fs(fs)
{
    LockModule();
    InitDispatchTable();
}

CConnect::~CConnect()
{
    // The wrapper goes first (it ends its subscriptions and borrows the other two).
    m_pHostWrapper.reset();
    m_pDatabase.reset();
    m_pSettings.reset();
    UnlockModule();
}

void CConnect::InitDispatchTable()
{
    // The host may call the notifications late-bound, with these names and ids.
    auto method = [](std::uint16_t flags) { return (flags & DISPATCH_METHOD) != 0; };
    m_dispatchTable.Add("OnConnection", office::DISPID_OnConnection,
                        [this, method](std::uint16_t flags, DispParams& params, Variant* result) {
                            if (!method(flags)) return DISP_E_MEMBERNOTFOUND;
                            ComPtr<IDispatch> spApplication, spAddIn;
                            std::int32_t mode = 0;
                            HRESULT hr = ObjectArg(params, 0, spApplication);
                            if (SUCCEEDED(hr)) hr = IntArg(params, 1, mode);
                            if (SUCCEEDED(hr)) hr = ObjectArg(params, 2, spAddIn);
                            if (FAILED(hr)) return hr;
                            SetResult(result, OnConnection(spApplication.Get(), mode, spAddIn.Get(), nullptr));
                            return S_OK;
                        });
    m_dispatchTable.Add("OnDisconnection", office::DISPID_OnDisconnection,
                        [this, method](std::uint16_t flags, DispParams& params, Variant* result) {
                            if (!method(flags)) return DISP_E_MEMBERNOTFOUND;
                            std::int32_t mode = 0;
                            HRESULT hr = IntArg(params, 0, mode);
                            if (FAILED(hr)) return hr;
                            SetResult(result, OnDisconnection(mode, nullptr));
                            return S_OK;
                        });
    auto simple = [this, method](HRESULT (CConnect::*notification)(office::CustomArray*)) {
        return [this, method, notification](std::uint16_t flags, DispParams&, Variant* result) {
            if (!method(flags)) return DISP_E_MEMBERNOTFOUND;
            SetResult(result, (this->*notification)(nullptr));
            return S_OK;
        };
    };
    m_dispatchTable.Add("OnAddInsUpdate", office::DISPID_OnAddInsUpdate, simple(&CConnect::OnAddInsUpdate));
    m_dispatchTable.Add("OnStartupComplete", office::DISPID_OnStartupComplete, simple(&CConnect::OnStartupComplete));
    m_dispatchTable.Add("OnBeginShutdown", office::DISPID_OnBeginShutdown, simple(&CConnect::OnBeginShutdown));
}

HRESULT CConnect::OnConnection(IDispatch* application, office::ext_ConnectMode, IDispatch*, office::CustomArray*)
{
    try {
        Connect(application);
    } catch (...) {
        // A failing host call ends the start-up where it happened; the host is not told.
    }
    return S_OK;
}

void CConnect::StartImaging()
{
    // The imaging layer (QtGui) needs no start-up; the step stays so that start-up
    // keeps its order should an imaging library need one.
}

void CConnect::Connect(IDispatch* application)
{
    // Only the first connection of an object builds anything: a second one would
    // make a second bar and drop the first wrapper's subscriptions.
    if (m_bConnected) return;
    m_bConnected = true;

    StartImaging();

    m_pSettings = std::make_unique<AppSettings>();
    m_pSettings->Load();
    if (m_pSettings->DatabasePath.empty()) {
        // Settings that could not be read give no database folder, and the database
        // would land in whatever folder the host runs in: stay out of the host instead.
        std::fprintf(stderr, "quillmark: the add-in stays inactive: its settings could not be read\n");
        return;
    }

    m_pDatabase = std::make_unique<TaggingDatabase>(m_fs);
    m_pDatabase->m_pSettings = m_pSettings.get();
    m_pDatabase->Open();

    ComPtr<IDispatch> spApplication(application);
    ComPtr<powerpoint::_Application> spPowerPoint;
    ComPtr<word::_Application> spWord;
    if (spApplication && SUCCEEDED(spApplication.As(spPowerPoint)) && spPowerPoint) {
        auto pWrapper = std::make_unique<PowerPointApplication>();
        pWrapper->SetSettings(m_pSettings.get());
        pWrapper->SetApplication(spPowerPoint);
        pWrapper->SetDatabase(m_pDatabase.get());
        m_pHostWrapper = std::move(pWrapper);
    } else if (spApplication && SUCCEEDED(spApplication.As(spWord)) && spWord) {
        auto pWrapper = std::make_unique<WordApplication>();
        pWrapper->SetSettings(m_pSettings.get());
        pWrapper->SetApplication(spWord);
        pWrapper->SetDatabase(m_pDatabase.get());
        m_pHostWrapper = std::move(pWrapper);
    }

    // A host that is neither gets nothing added.
    if (!m_pHostWrapper) return;
    m_pHostWrapper->SetDialogLauncher(&m_dialogLauncher);
    m_pHostWrapper->CreateCommandBar();
}

HRESULT CConnect::OnDisconnection(office::ext_DisconnectMode, office::CustomArray*)
{
    try {
        // The host's events stop here: the handler goes with the wrapper, and the
        // host must not call it afterwards.
        if (m_pHostWrapper) m_pHostWrapper->DisconnectApplicationEvents();
        m_pApplication.Reset();
    } catch (...) {
    }
    return S_OK;
}

HRESULT CConnect::OnAddInsUpdate(office::CustomArray*) { return S_OK; }
HRESULT CConnect::OnStartupComplete(office::CustomArray*) { return S_OK; }
HRESULT CConnect::OnBeginShutdown(office::CustomArray*) { return S_OK; }

} // namespace quillmark
