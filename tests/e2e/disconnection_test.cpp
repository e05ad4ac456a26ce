// CConnect in-process in the simulated hosts: the event handler is subscribed at
// connection and its subscription is withdrawn when the host disconnects the add-in.
#include "addin/connect.h"
#include "officeapi/powerpoint.h"
#include "officeapi/word.h"
#include "simoffice/simoffice.h"
#include "store/taggingdatabase.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace quillmark::test {
namespace {

using officecore::HostKind;

std::size_t Subscribers(simoffice::SimOffice& office, const IID& eventIid)
{
    ComPtr<IConnectionPointContainer> spContainer;
    spContainer.QueryFrom(office.Application());
    ComPtr<IConnectionPoint> spPoint;
    if (!spContainer || FAILED(spContainer->FindConnectionPoint(eventIid, &spPoint))) return 0;
    return static_cast<ConnectionPoint*>(spPoint.Get())->SinkCount();
}

TEST(Disconnection, EndsTheApplicationEventSubscription)
{
    TempDir dir;
    ScopedEnv registry("QUILLMARK_REGISTRY", dir / "registry.reg");
    ScopedEnv data("XDG_DATA_HOME", dir / "data");
    ScopedEnv config("XDG_CONFIG_HOME", dir / "config");
    ScopedEnv temp("TMPDIR", dir / "tmp");
    std::filesystem::create_directories(dir / "tmp");

    for (const auto& [host, eventIid, extension] :
         {std::tuple{HostKind::Word, word::ApplicationEvents::Iid, ".doc"},
          std::tuple{HostKind::PowerPoint, powerpoint::EApplication::Iid, ".ppt"}}) {
        simoffice::SimOffice office(host);
        ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
        ASSERT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
        EXPECT_EQ(Subscribers(office, eventIid), 1u);

        const std::string heard = dir.WriteFile(std::string("Heard") + extension, "x");
        std::string error;
        ASSERT_NE(office.Model().Open(heard, 0, &error), nullptr) << error;
        ASSERT_NE(spConnect->Database(), nullptr);
        EXPECT_EQ(spConnect->Database()->GetFileItem(heard).tags, TagList{"Heard"});

        EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_UserClosed, nullptr), S_OK);
        EXPECT_EQ(Subscribers(office, eventIid), 0u);
        const std::string unheard = dir.WriteFile(std::string("Unheard") + extension, "x");
        ASSERT_NE(office.Model().Open(unheard, 0, &error), nullptr) << error;
        EXPECT_TRUE(spConnect->Database()->GetFileItem(unheard).tags.empty());
        // A second notification, and the object's end, are harmless.
        EXPECT_EQ(spConnect->OnDisconnection(office::ext_dm_HostShutdown, nullptr), S_OK);
        spConnect.Reset();
        ASSERT_NE(office.Model().Open(dir.WriteFile(std::string("Late") + extension, "x"), 0, &error), nullptr);
    }
}

} // namespace
} // namespace quillmark::test
