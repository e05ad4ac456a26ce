// A small add-in for the host tests, loaded by quillmark-host through the registry.
// It writes what it sees to the file named by $QUILLMARK_TEST_ADDIN_LOG, one line
// per notification: which _Application the host answered for, the application
// events (dispatch id and document), clicks and changes of its own controls.
// $QUILLMARK_TEST_ADDIN_FAIL=connect makes OnConnection fail.
#include "officeapi/addin.h"
#include "officeapi/commandbars.h"
#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "platform/com/com.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillmark;

namespace {

std::atomic<long> g_nObjects{0};

constexpr CLSID kClsid = GuidLiteral("{6F1D2A10-3C55-4E8B-9A77-1B2C3D4E5F60}");

void Log(const std::string& line)
{
    const char* path = std::getenv("QUILLMARK_TEST_ADDIN_LOG");
    if (!path) return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string FullNameOf(IDispatch* pDoc)
{
    ComPtr<IDispatch> sp(pDoc);
    std::string name;
    if (auto spWordDoc = sp.As<word::_Document>()) spWordDoc->get_FullName(&name);
    else if (auto spPres = sp.As<powerpoint::_Presentation>()) spPres->get_FullName(&name);
    return name;
}

// A sink for one event dispinterface that logs every call.
class LogSink final : public DispatchObject<IDispatch> {
public:
    LogSink(const IID& iid, std::string prefix) : m_iid(iid), m_strPrefix(std::move(prefix)) { ++g_nObjects; }
    ~LogSink() override { --g_nObjects; }

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** ppv) override
    {
        if (riid != m_iid) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT InvokeMember(DISPID dispId, std::uint16_t, DispParams& params, Variant*) override
    {
        std::string line = m_strPrefix + " " + std::to_string(dispId);
        // The first argument (last in the block) is the document or the control.
        if (params.Count() > 0) {
            const Variant& first = params.args[params.Count() - 1];
            if (IDispatch* p = first.DispatchVal()) {
                ComPtr<office::CommandBarControl> spControl;
                if (SUCCEEDED(spControl.QueryFrom(p))) {
                    std::string tag;
                    spControl->get_Tag(&tag);
                    line += " " + tag;
                    if (auto spCombo = spControl.As<office::CommandBarComboBox>()) {
                        std::string text;
                        spCombo->get_Text(&text);
                        line += " " + text;
                    }
                } else {
                    line += " " + FullNameOf(p);
                }
            }
        }
        Log(line);
        return S_OK;
    }

private:
    IID m_iid;
    std::string m_strPrefix;
};

DWORD Advise(IUnknown* pSource, const IID& iid, const std::string& prefix)
{
    ComPtr<IConnectionPointContainer> spCpc;
    ComPtr<IConnectionPoint> spCp;
    DWORD cookie = 0;
    if (FAILED(spCpc.QueryFrom(pSource)) || FAILED(spCpc->FindConnectionPoint(iid, &spCp))) return 0;
    ComPtr<LogSink> spSink = MakeComObject<LogSink>(iid, prefix);
    spCp->Advise(static_cast<IDispatch*>(spSink.Get()), &cookie);
    return cookie;
}

class TestAddin final : public DispatchObject<office::IDTExtensibility2> {
public:
    TestAddin() { ++g_nObjects; }
    ~TestAddin() override { --g_nObjects; }

    HRESULT OnConnection(IDispatch* application, office::ext_ConnectMode mode, IDispatch* addInInst,
                         office::CustomArray*) override
    {
        ComPtr<IDispatch> spApp(application);
        auto spWord = spApp.As<word::_Application>();
        auto spPpt = spApp.As<powerpoint::_Application>();
        Log(std::string("connect mode=") + std::to_string(mode) + " word=" + (spWord ? "1" : "0") +
            " powerpoint=" + (spPpt ? "1" : "0") + " instance=" + (addInInst ? "1" : "0"));
        const char* fail = std::getenv("QUILLMARK_TEST_ADDIN_FAIL");
        if (fail && std::string(fail) == "connect") return E_FAIL;

        ComPtr<office::CommandBars> spBars;
        if (spWord) spWord->get_CommandBars(&spBars);
        else if (spPpt) spPpt->get_CommandBars(&spBars);
        if (!spBars) return S_OK; // a host it does not know: nothing to add

        Advise(application, spWord ? word::ApplicationEvents::Iid : powerpoint::EApplication::Iid, "event");
        ComPtr<office::CommandBar> spBar;
        spBars->Add(Variant("Test Addin"), Variant("1"), Variant::Missing(), Variant(true), &spBar);
        ComPtr<office::CommandBarControls> spControls;
        spBar->get_Controls(&spControls);
        ComPtr<office::CommandBarControl> spControl;
        spControls->Add(Variant(office::msoControlButton), Variant::Missing(), Variant::Missing(),
                        Variant::Missing(), Variant(true), &spControl);
        auto spButton = spControl.As<office::CommandBarButton>();
        spButton->put_Caption("&Hello");
        spButton->put_Tag("hello");
        spButton->put_TooltipText("Say hello");
        spButton->put_FaceId(42);
        spButton->put_Style(office::msoButtonIconAndCaption);
        Advise(spButton.Get(), office::_CommandBarButtonEvents::Iid, "click");
        spControls->Add(Variant(office::msoControlComboBox), Variant::Missing(), Variant::Missing(),
                        Variant::Missing(), Variant(true), &spControl);
        auto spCombo = spControl.As<office::CommandBarComboBox>();
        spCombo->put_Caption("Find");
        spCombo->put_Text("Find");
        Advise(spCombo.Get(), office::_CommandBarComboBoxEvents::Iid, "change");
        spBar->put_Visible(VARIANT_TRUE);
        return S_OK;
    }
    HRESULT OnDisconnection(office::ext_DisconnectMode mode, office::CustomArray*) override
    {
        Log("disconnect mode=" + std::to_string(mode));
        return S_OK;
    }
    HRESULT OnAddInsUpdate(office::CustomArray*) override { return S_OK; }
    HRESULT OnStartupComplete(office::CustomArray*) override
    {
        Log("startup-complete");
        return S_OK;
    }
    HRESULT OnBeginShutdown(office::CustomArray*) override
    {
        Log("begin-shutdown");
        return S_OK;
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
    ComPtr<ClassFactory> spFactory = MakeComObject<ClassFactory>(&CreateComObject<TestAddin>);
    return spFactory->QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    HRESULT hr = g_nObjects == 0 ? S_OK : S_FALSE;
    Log(std::string("can-unload ") + (hr == S_OK ? "S_OK" : "S_FALSE"));
    return hr;
}
