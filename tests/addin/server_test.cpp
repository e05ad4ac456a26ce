// The built libquillmark.so as a host sees it: its exports, registration, the class
// factory and lock count, and CConnect through IDTExtensibility2 and IDispatch.
#include "platform/files/files.h"
#include "platform/registry/registry.h"
#include "tests/addin/addintestsupport.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <sstream>

using namespace quillmark;
using namespace quillmark::test;
using registry::RegRoot;

namespace {

const std::string kLibrary = QUILLMARK_ADDIN_LIB;

std::string RealPath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    std::string out = resolved ? resolved : path;
    std::free(resolved);
    return out;
}

// The string value `name` of key `path` under HKEY_CLASSES_ROOT, or a marker.
std::string ClassesText(registry::Registry& reg, const std::string& path, const std::string& name = "")
{
    if (reg.Refresh() != registry::RegStatus::Ok) return "<bad registry: " + reg.Error() + ">";
    const registry::RegKeyNode* key = reg.Model().FindKey(RegRoot::ClassesRoot, path);
    if (!key) return "<no key>";
    const registry::RegValue* value = key->FindValue(name);
    if (!value) return "<none>";
    return value->type == registry::REG_SZ ? value->text : "<not REG_SZ>";
}

class AddinServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_library.Loaded()) << m_library.Error(); }

    IsolatedFolders m_sandbox;
    AddinLibrary m_library{kLibrary};
};

const std::string kClassKey = "CLSID\\{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}";
const std::string kTypeLibKey = "TypeLib\\{2E81D4A7-5C06-4B9F-A3E2-71F0C8B95D14}";

} // namespace

TEST_F(AddinServer, ExportsExactlyTheFourEntryPoints)
{
    ProcessResult nm = RunProcess({QUILLMARK_NM, "-D", "--defined-only", kLibrary});
    ASSERT_EQ(nm.exitCode, 0) << nm.err;
    std::set<std::string> names;
    std::istringstream lines(nm.out);
    std::string address, type, name;
    while (lines >> address >> type >> name) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                            "DllUnregisterServer"}));
}

TEST_F(AddinServer, RegistersEveryKeyAndRemovesTheClassButNotTheClsidKey)
{
    registry::Registry reg(m_sandbox.RegistryFile());
    {
        // Another server's class and the hosts' own keys must survive both steps.
        registry::RegKey other(m_sandbox.RegistryFile());
        ASSERT_EQ(other.Create(RegRoot::ClassesRoot, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"),
                  registry::RegStatus::Ok);
        ASSERT_EQ(other.SetString("", "/usr/lib/other.so"), registry::RegStatus::Ok);
    }
    ASSERT_EQ(m_library.DllRegisterServer(), S_OK);

    const std::string module = RealPath(kLibrary);
    const std::string folder = module.substr(0, module.rfind('/') + 1);
    EXPECT_EQ(ClassesText(reg, "Quillmark.Connect.1"), "Connect Class");
    EXPECT_EQ(ClassesText(reg, "Quillmark.Connect.1\\CLSID"), "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}");
    EXPECT_EQ(ClassesText(reg, "Quillmark.Connect"), "Connect Class");
    EXPECT_EQ(ClassesText(reg, "Quillmark.Connect\\CLSID"), "{6F3C2B18-9A47-4E5D-8C21-3B7D90A4E6F2}");
    EXPECT_EQ(ClassesText(reg, "Quillmark.Connect\\CurVer"), "Quillmark.Connect.1");
    EXPECT_EQ(ClassesText(reg, kClassKey), "Connect Class");
    EXPECT_EQ(ClassesText(reg, kClassKey + "\\ProgID"), "Quillmark.Connect.1");
    EXPECT_EQ(ClassesText(reg, kClassKey + "\\VersionIndependentProgID"), "Quillmark.Connect");
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, kClassKey + "\\Programmable"));
    EXPECT_EQ(ClassesText(reg, kClassKey + "\\InprocServer32"), module);
    EXPECT_EQ(ClassesText(reg, kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesText(reg, kClassKey + "\\TypeLib"), "{2E81D4A7-5C06-4B9F-A3E2-71F0C8B95D14}");
    EXPECT_EQ(ClassesText(reg, kTypeLibKey + "\\1.0"), "Quillmark 1.0 Type Library");
    EXPECT_EQ(ClassesText(reg, kTypeLibKey + "\\1.0\\0\\win32"), module);
    EXPECT_EQ(ClassesText(reg, kTypeLibKey + "\\1.0\\FLAGS"), "0");
    EXPECT_EQ(ClassesText(reg, kTypeLibKey + "\\1.0\\HELPDIR"), folder);

    // The class key is replaced whole on a second registration.
    {
        registry::RegKey stale(m_sandbox.RegistryFile());
        ASSERT_EQ(stale.Create(RegRoot::ClassesRoot, kClassKey + "\\LocalServer32"), registry::RegStatus::Ok);
    }
    ASSERT_EQ(m_library.DllRegisterServer(), S_OK);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, kClassKey + "\\LocalServer32"));

    ASSERT_EQ(m_library.DllUnregisterServer(), S_OK);
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, kClassKey));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "CLSID"));
    EXPECT_EQ(ClassesText(reg, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"), "/usr/lib/other.so");
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "Quillmark.Connect.1"));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, "Quillmark.Connect"));
    EXPECT_FALSE(reg.KeyExists(RegRoot::ClassesRoot, kTypeLibKey));
    EXPECT_TRUE(reg.KeyExists(RegRoot::ClassesRoot, "TypeLib"));

    // Unregistering what is not registered succeeds.
    EXPECT_EQ(m_library.DllUnregisterServer(), S_OK);
}

TEST_F(AddinServer, RegistrationFailuresAreReportedAndChangeNothing)
{
    const std::string malformed = "Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE\\x]\n";
    const std::string file = m_sandbox.dir.WriteFile("registry.reg", malformed);
    EXPECT_TRUE(FAILED(m_library.DllRegisterServer()));
    EXPECT_TRUE(FAILED(m_library.DllUnregisterServer()));
    EXPECT_EQ(files::ReadFile(file).value_or(""), malformed);

    // A registry that cannot be written (its folder is a file).
    ScopedEnv blocked("QUILLMARK_REGISTRY", file + "/registry.reg");
    EXPECT_TRUE(FAILED(m_library.DllRegisterServer()));
}

TEST_F(AddinServer, ClassObjectOnlyForTheConnectClass)
{
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(m_library.DllGetClassObject(kTypeLibId, IClassFactory::Iid, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(m_library.DllGetClassObject(GUID_NULL, IClassFactory::Iid, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(m_library.DllGetClassObject(kConnectClsid, IClassFactory::Iid, nullptr), E_POINTER);

    ComPtr<IClassFactory> spFactory;
    ASSERT_EQ(m_library.DllGetClassObject(kConnectClsid, IClassFactory::Iid, reinterpret_cast<void**>(&spFactory)),
              S_OK);
    ASSERT_TRUE(spFactory);
    ComPtr<IUnknown> spOuter = spFactory.As<IUnknown>();
    ComPtr<IUnknown> spObject;
    EXPECT_EQ(spFactory->CreateInstance(spOuter.Get(), IUnknown::Iid, reinterpret_cast<void**>(&spObject)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(spFactory->CreateInstance(nullptr, IClassFactory::Iid, reinterpret_cast<void**>(&spObject)),
              E_NOINTERFACE);
    EXPECT_FALSE(spObject);
}

TEST_F(AddinServer, CanUnloadNowFollowsTheLockCount)
{
    ASSERT_EQ(m_library.DllCanUnloadNow(), S_OK);
    ComPtr<IClassFactory> spFactory;
    ASSERT_EQ(m_library.DllGetClassObject(kConnectClsid, IClassFactory::Iid, reinterpret_cast<void**>(&spFactory)),
              S_OK);
    // A live factory keeps the library: its code is in it.
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(spFactory->LockServer(false), E_UNEXPECTED); // no lock to undo
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE);
    spFactory.Reset();
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_OK);

    ASSERT_EQ(m_library.DllGetClassObject(kConnectClsid, IClassFactory::Iid, reinterpret_cast<void**>(&spFactory)),
              S_OK);
    ComPtr<IClassFactory> spOther;
    ASSERT_EQ(m_library.DllGetClassObject(kConnectClsid, IClassFactory::Iid, reinterpret_cast<void**>(&spOther)),
              S_OK);
    ASSERT_EQ(spFactory->LockServer(true), S_OK);
    ASSERT_EQ(spFactory->LockServer(true), S_OK);
    ASSERT_EQ(spFactory->LockServer(false), S_OK);
    EXPECT_EQ(spOther->LockServer(false), E_UNEXPECTED); // that lock is the first factory's
    spOther.Reset();
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE);
    ASSERT_EQ(spFactory->LockServer(false), S_OK);
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE); // the factory itself is still alive
    spFactory.Reset();
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_OK);

    ComPtr<office::IDTExtensibility2> spFirst = m_library.CreateConnect();
    ComPtr<office::IDTExtensibility2> spSecond = m_library.CreateConnect();
    ASSERT_TRUE(spFirst && spSecond);
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE);
    spFirst.Reset();
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_FALSE);
    spSecond.Reset();
    EXPECT_EQ(m_library.DllCanUnloadNow(), S_OK);
}

TEST_F(AddinServer, ConnectAnswersItsThreeInterfacesWithOneIdentity)
{
    ComPtr<office::IDTExtensibility2> spConnect = m_library.CreateConnect();
    ASSERT_TRUE(spConnect);
    ComPtr<IDispatch> spDispatch = spConnect.As<IDispatch>();
    ComPtr<IUnknown> spUnknown = spConnect.As<IUnknown>();
    ASSERT_TRUE(spDispatch && spUnknown);
    EXPECT_EQ(spDispatch.As<IUnknown>().Get(), spUnknown.Get());
    EXPECT_EQ(spDispatch.As<office::IDTExtensibility2>().Get(), spConnect.Get());
    EXPECT_FALSE(spConnect.As<IClassFactory>());
    EXPECT_FALSE(spConnect.As<IConnectionPointContainer>());
}

TEST_F(AddinServer, InAHostThatIsNeitherWordNorPowerPointNothingIsAdded)
{
    ComPtr<office::IDTExtensibility2> spConnect = m_library.CreateConnect();
    ASSERT_TRUE(spConnect);
    ComPtr<FakeApplication> spApp = MakeComObject<FakeApplication>();
    office::CustomArray custom;
    EXPECT_EQ(spConnect->OnConnection(spApp.Get(), office::ext_cm_Startup, nullptr, &custom), S_OK);
    // Recognition asked for PowerPoint's application first, then Word's; nothing was called.
    EXPECT_EQ(spApp->m_vecAsked, (std::vector<IID>{kPowerPointAppIid, kWordAppIid}));
    EXPECT_TRUE(spApp->m_vecCalls.empty());
    EXPECT_EQ(spConnect->OnStartupComplete(&custom), S_OK);
    EXPECT_EQ(spConnect->OnAddInsUpdate(&custom), S_OK);
    EXPECT_EQ(spConnect->OnBeginShutdown(&custom), S_OK);
    EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_HostShutdown, &custom), S_OK);
    EXPECT_TRUE(spApp->m_vecCalls.empty());
    EXPECT_EQ(spApp->m_vecAsked.size(), 2u);
    // The connection kept no reference to the host's object.
    spConnect.Reset();
    EXPECT_EQ(spApp->RefCount(), 1u);

    // No application object at all, and notifications without arrays.
    spConnect = m_library.CreateConnect();
    EXPECT_EQ(spConnect->OnConnection(nullptr, office::ext_cm_AfterStartup, nullptr, nullptr), S_OK);
    EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_UserClosed, nullptr), S_OK);
    // The settings were created with their defaults in the sandbox's registry.
    registry::Registry reg(m_sandbox.RegistryFile());
    EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, "Software\\Norvane\\Quillwright"));
}

TEST_F(AddinServer, NotificationsThroughIDispatchByNameAndId)
{
    ComPtr<office::IDTExtensibility2> spConnect = m_library.CreateConnect();
    ASSERT_TRUE(spConnect);
    ComPtr<IDispatch> spDispatch = spConnect.As<IDispatch>();

    const std::pair<const char*, DISPID> names[] = {{"OnConnection", 1},      {"OnDisconnection", 2},
                                                    {"OnAddInsUpdate", 3},    {"OnStartupComplete", 4},
                                                    {"onbeginshutdown", 5}};
    for (const auto& [name, expected] : names) {
        DISPID id = 0;
        const char* list[] = {name};
        EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, list, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
        EXPECT_EQ(id, expected) << name;
    }
    DISPID id = 0;
    const char* unknown[] = {"OnShutdown"};
    EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);

    // OnConnection late-bound: application, mode, add-in instance, custom array (call order).
    ComPtr<FakeApplication> spApp = MakeComObject<FakeApplication>();
    DispParams params = DispParams::FromArgs(
        {Variant(static_cast<IDispatch*>(spApp.Get())), Variant(office::ext_cm_Startup), Variant(static_cast<IDispatch*>(nullptr)), Variant()});
    Variant result;
    EXPECT_EQ(spDispatch->Invoke(1, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                 nullptr),
              S_OK);
    EXPECT_EQ(result.Type(), VT_I4);
    EXPECT_EQ(result.I4Val(), S_OK);
    EXPECT_EQ(spApp->m_vecAsked, (std::vector<IID>{kPowerPointAppIid, kWordAppIid}));

    for (DISPID other = 2; other <= 5; ++other) {
        DispParams none = other == 2 ? DispParams::FromArgs({Variant(office::ext_dm_HostShutdown), Variant()})
                                     : DispParams::FromArgs({Variant()});
        Variant otherResult;
        EXPECT_EQ(spDispatch->Invoke(other, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, &otherResult,
                                     nullptr, nullptr),
                  S_OK)
            << other;
        EXPECT_EQ(otherResult.I4Val(), S_OK);
    }
    EXPECT_EQ(spDispatch->Invoke(4, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                                 nullptr),
              S_OK);

    // What is no notification, or not called as a method, or passed a wrong argument.
    EXPECT_EQ(spDispatch->Invoke(6, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                                 nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(spDispatch->Invoke(1, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &params, &result,
                                 nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    DispParams wrong = DispParams::FromArgs({Variant("not an application"), Variant(1)});
    EXPECT_EQ(spDispatch->Invoke(1, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &wrong, &result, nullptr,
                                 nullptr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(spDispatch->Invoke(1, IID_IDispatch, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, &result,
                                 nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    std::uint32_t count = 7;
    EXPECT_EQ(spDispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}
