// CConnect in-process, connected to the simulated Word and PowerPoint: start-up,
// host recognition, the bar it leaves, and what a failing host call does to it.
#include "addin/connect.h"
#include "addin/servermodule.h"
#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "officeapi/word.h"
#include "simoffice/simoffice.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "tests/addin/addintestsupport.h"
#include "tests/support/faultyfilesystem.h"
#include "platform/files/files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

using namespace quillmark;
using namespace quillmark::test;
using officecore::HostKind;
using simoffice::SimOffice;
namespace files = quillmark::files;

namespace {

// "1 popup &Quillmark" ... for the controls of every bar of the office.
std::vector<std::string> BarLines(SimOffice& office)
{
    std::vector<std::string> lines;
    for (officecore::SimCommandBar* pBar : office.CommandBars().Bars()) {
        lines.push_back("[" + pBar->Name() + "]");
        for (officecore::ControlCore* pControl : pBar->Controls().List())
            lines.push_back(std::to_string(pControl->Position()) + " " + pControl->State().caption);
    }
    return lines;
}

const std::vector<std::string> kFixedBar = {"[Quillmark 1.0]", "1 &Quillmark", "2 Search tags", "3 &Browse"};

// An application object that answers for both hosts' application interfaces, each
// from a real simulated host.
class TwoHeadedApplication final : public ComObject<IDispatch> {
public:
    TwoHeadedApplication(IDispatch* pPowerPoint, IDispatch* pWord) : m_pPowerPoint(pPowerPoint), m_pWord(pWord) {}
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const char* const*, std::uint32_t, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, std::uint16_t, DispParams*, Variant*, ExcepInfo*, std::uint32_t*) override
    {
        return E_NOTIMPL;
    }

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** ppv) override
    {
        if (riid == kPowerPointAppIid) return m_pPowerPoint->QueryInterface(riid, ppv);
        if (riid == kWordAppIid) return m_pWord->QueryInterface(riid, ppv);
        return E_NOINTERFACE;
    }

private:
    ComPtr<IDispatch> m_pPowerPoint;
    ComPtr<IDispatch> m_pWord;
};

// A Word whose every call fails.
class BrokenWord final : public DispatchObject<word::_Application> {
public:
    HRESULT get_CommandBars(office::CommandBars** bars) override { return Fail(bars); }
    HRESULT get_ActiveDocument(word::_Document** document) override { return Fail(document); }
    HRESULT get_Documents(word::Documents** documents) override { return Fail(documents); }
    HRESULT get_ActiveWindow(word::Window** window) override { return Fail(window); }
    HRESULT get_Name(std::string*) override { return ++m_nCalls, E_FAIL; }
    int m_nCalls = 0;

private:
    template <class T>
    HRESULT Fail(T** out)
    {
        ++m_nCalls;
        if (out) *out = nullptr;
        return E_FAIL;
    }
};

class ConnectInHost : public ::testing::Test {
protected:
    IsolatedFolders m_sandbox;
};

} // namespace

TEST_F(ConnectInHost, WordGetsAWordWrapperAndTheBar)
{
    SimOffice office(HostKind::Word);
    ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
    EXPECT_EQ(ModuleLockCount().load(), 1);
    EXPECT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);

    ASSERT_NE(spConnect->HostWrapper(), nullptr);
    EXPECT_NE(dynamic_cast<WordApplication*>(spConnect->HostWrapper()), nullptr);
    EXPECT_EQ(dynamic_cast<PowerPointApplication*>(spConnect->HostWrapper()), nullptr);
    // Settings loaded, database opened in the sandbox, both handed to the wrapper.
    ASSERT_NE(spConnect->Settings(), nullptr);
    EXPECT_EQ(spConnect->Settings()->ProductName, "Quillmark");
    ASSERT_NE(spConnect->Database(), nullptr);
    EXPECT_EQ(spConnect->Database()->m_pSettings, spConnect->Settings());
    EXPECT_EQ(spConnect->Database()->DatabaseFile().rfind(m_sandbox.dir.Path(), 0), 0u);
    EXPECT_EQ(spConnect->HostWrapper()->Settings(), spConnect->Settings());
    EXPECT_EQ(spConnect->HostWrapper()->Database(), spConnect->Database());
    EXPECT_EQ(BarLines(office), kFixedBar);

    // A second connection of the same object builds nothing more.
    EXPECT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_AfterStartup, nullptr, nullptr), S_OK);
    EXPECT_EQ(BarLines(office), kFixedBar);

    EXPECT_EQ(spConnect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(spConnect->OnBeginShutdown(nullptr), S_OK);
    EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_UserClosed, nullptr), S_OK);
    // Disconnection undoes nothing in the host.
    EXPECT_EQ(BarLines(office), kFixedBar);
    officecore::ControlCore* pAbout = office.CommandBars().FindButtonByTag("&About");
    ASSERT_NE(pAbout, nullptr);
    EXPECT_EQ(pAbout->FireClick(), 1u);

    // Once the object goes, its subscriptions end with it: a click reaches nobody,
    // and the library may be unloaded.
    spConnect.Reset();
    EXPECT_EQ(pAbout->FireClick(), 0u);
    EXPECT_EQ(CanUnloadServer(), S_OK);
}

TEST_F(ConnectInHost, PowerPointGetsAPowerPointWrapperAndTheBar)
{
    SimOffice office(HostKind::PowerPoint);
    ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
    EXPECT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
    EXPECT_NE(dynamic_cast<PowerPointApplication*>(spConnect->HostWrapper()), nullptr);
    EXPECT_EQ(BarLines(office), kFixedBar);
    spConnect.Reset();
    office.Shutdown();
    EXPECT_TRUE(office.CommandBars().Bars().empty());
}

TEST_F(ConnectInHost, PowerPointIsRecognisedFirstAndAlone)
{
    SimOffice powerPoint(HostKind::PowerPoint);
    SimOffice word(HostKind::Word);
    ComPtr<TwoHeadedApplication> spApp = MakeComObject<TwoHeadedApplication>(powerPoint.Application(), word.Application());
    ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
    EXPECT_EQ(spConnect->OnConnection(spApp.Get(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
    EXPECT_NE(dynamic_cast<PowerPointApplication*>(spConnect->HostWrapper()), nullptr);
    EXPECT_EQ(BarLines(powerPoint), kFixedBar);
    EXPECT_TRUE(BarLines(word).empty());
}

TEST_F(ConnectInHost, AFailingHostCallEndsStartUpQuietly)
{
    ComPtr<BrokenWord> spWord = MakeComObject<BrokenWord>();
    ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
    EXPECT_EQ(spConnect->OnConnection(spWord.Get(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
    // The wrapper exists; building its bar ended at the first failing call.
    EXPECT_NE(dynamic_cast<WordApplication*>(spConnect->HostWrapper()), nullptr);
    EXPECT_GE(spWord->m_nCalls, 1);
    EXPECT_EQ(spConnect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_HostShutdown, nullptr), S_OK);
    spConnect.Reset();
    EXPECT_EQ(spWord->RefCount(), 1u);
}

TEST_F(ConnectInHost, UnreadableSettingsLeaveTheHostAlone)
{
    // Without settings there is no database folder: the add-in must not put a
    // database into the folder the host happens to run in.
    const std::string malformed = "Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE\\x]\n";
    m_sandbox.dir.WriteFile("registry.reg", malformed);
    char* pOldCwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(m_sandbox.dir.Path().c_str()), 0);
    {
        SimOffice office(HostKind::Word);
        ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
        EXPECT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
        EXPECT_EQ(spConnect->HostWrapper(), nullptr);
        EXPECT_EQ(spConnect->Database(), nullptr);
        EXPECT_TRUE(BarLines(office).empty());
        EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_HostShutdown, nullptr), S_OK);
    }
    EXPECT_EQ(chdir(pOldCwd), 0);
    std::free(pOldCwd);
    EXPECT_FALSE(files::Exists(m_sandbox.dir / "tags.xml"));
    EXPECT_EQ(files::ReadFile(m_sandbox.RegistryFile()).value_or(""), malformed);
}

TEST_F(ConnectInHost, TheDatabaseWorksThroughTheFileSystemTheConnectionIsHanded)
{
    // Documents outside the temporary folder, where the add-in tags them.
    ScopedEnv temp("TMPDIR", m_sandbox.dir / "tmp");
    std::filesystem::create_directories(m_sandbox.dir / "tmp");
    std::filesystem::create_directories(m_sandbox.dir / "docs");
    FaultyFileSystem fs;
    SimOffice office(HostKind::Word);
    ComPtr<CConnect> spConnect = MakeComObject<CConnect>(fs);
    ASSERT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
    ASSERT_NE(spConnect->Database(), nullptr);
    // A document with its own keywords, made by the office and opened again:
    // opening it stores its keywords in the database.
    const auto open = [&](const std::string& name) {
        simoffice::SimDocument* pDoc = office.Model().New();
        if (!pDoc) throw std::runtime_error("New failed");
        pDoc->SetProperty("Keywords", "budget");
        const std::string path = m_sandbox.dir / ("docs/" + name);
        std::string error;
        if (!office.Model().Save(pDoc, path, &error)) throw std::runtime_error(error);
        office.Model().Close(pDoc);
        if (!office.Model().Open(path, 0, &error)) throw std::runtime_error(error);
        return path;
    };

    fs.Reset();
    const std::string stored = open("Report.doc");
    EXPECT_GT(fs.Calls(IoCall::Lock), 0);
    EXPECT_GT(fs.Calls(IoCall::Rename), 0);
    EXPECT_EQ(spConnect->Database()->GetFileItem(stored).tags, (TagList{"budget", "Report"})); // and its name

    // Its replacement of the database failing there, the record is not stored.
    const std::string database = spConnect->Database()->DatabaseFile();
    const std::string before = files::ReadFile(database).value_or("<missing>");
    fs.FailNth(IoCall::Rename, 1);
    ::testing::internal::CaptureStderr();
    const std::string refused = open("Plan.doc");
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs.Failed());
    EXPECT_EQ(files::ReadFile(database).value_or("<missing>"), before);
    EXPECT_TRUE(spConnect->Database()->GetFileItem(refused).tags.empty());
    EXPECT_NE(warning.find("quillmark"), std::string::npos) << warning;
    EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_HostShutdown, nullptr), S_OK);
}
