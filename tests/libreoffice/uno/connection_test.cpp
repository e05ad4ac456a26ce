// Connecting to an office: clear failures, a second client, an office of our own ended.
#include "tests/libreoffice/uno/officeenvironment.h"
#include "tests/support/scopedenv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include <unistd.h>

using namespace quillmark;
using namespace quillmark::libreoffice;
using quillmark::test::Office;
using quillmark::test::TempDir;

TEST(UnoConnection, FailuresAreReportedClearlyAndQuickly)
{
    std::string error;
    const std::string silent = "pipe,name=quillmark-nobody-" + std::to_string(::getpid());
    EXPECT_EQ(OfficeConnection::Connect(silent, &error), nullptr);
    EXPECT_NE(error.find("Nothing accepts UNO connections at \"" + silent + "\""), std::string::npos) << error;
    EXPECT_NE(error.find("soffice --accept=\"" + silent + ";urp;\""), std::string::npos) << error;

    error.clear();
    EXPECT_EQ(OfficeConnection::Connect("nonsense-kind,x=y", &error), nullptr);
    EXPECT_FALSE(error.empty());

    StartOptions missing;
    missing.strSoffice = "/no/such/soffice";
    error.clear();
    EXPECT_EQ(OfficeConnection::Start(missing, &error), nullptr);
    EXPECT_NE(error.find("LibreOffice is not installed"), std::string::npos) << error;

    // A program that ends at once is reported, not waited for until the time limit.
    StartOptions quitter;
    quitter.strSoffice = "/bin/false";
    quitter.bHeadless = true;
    error.clear();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(OfficeConnection::Start(quitter, &error), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20));
    EXPECT_NE(error.find("could not be started"), std::string::npos) << error;
    EXPECT_NE(error.find("exited with status 1"), std::string::npos) << error;
}

TEST(UnoConnection, SecondClientSeesTheSameDocumentsAndLeavesTheOfficeRunning)
{
    std::string error;
    auto pOther = OfficeConnection::Connect(Office().ConnectString(), &error);
    ASSERT_TRUE(pOther) << error;
    EXPECT_EQ(pOther->OfficePid(), 0);
    pOther->GetBaton().Enter();

    const DocumentId theirs = pOther->New(DocumentKind::Text, true, &error);
    ASSERT_NE(theirs, 0u) << error;
    ASSERT_TRUE(pOther->SetProperty(theirs, "Title", "Opened by the other client", &error)) << error;

    // Our connection lists it (it did not open it), with its kind.
    bool bFound = false;
    DocumentId ours = 0;
    for (const auto& info : Office().Documents(DocumentKind::Text, &error)) {
        std::string title;
        ASSERT_TRUE(Office().GetProperty(info.id, "title", &title, &error)) << error;
        if (title == "Opened by the other client") {
            bFound = true;
            ours = info.id;
            EXPECT_EQ(info.kind, DocumentKind::Text);
            EXPECT_TRUE(info.strPath.empty());
        }
    }
    EXPECT_TRUE(bFound);
    for (const auto& info : Office().Documents(DocumentKind::Presentation, &error))
        EXPECT_NE(info.id, ours) << "a Writer document listed as a presentation";

    pOther->GetBaton().Leave();
    pOther.reset(); // a connection that only connected leaves the office and its documents alone
    EXPECT_TRUE(Office().Alive());
    std::string title;
    ASSERT_TRUE(Office().GetProperty(ours, "Title", &title, &error)) << error;
    EXPECT_EQ(title, "Opened by the other client");
    EXPECT_TRUE(Office().Close(ours, &error)) << error;
    EXPECT_FALSE(Office().GetProperty(ours, "Title", &title, &error));
    EXPECT_NE(error.find("not open"), std::string::npos) << error;
}

TEST(UnoConnection, AnOfficeWeStartedEndsWithItsConnectionAndItsProfileGoes)
{
    TempDir dir;
    test::ScopedEnv tmp("TMPDIR", dir.Path().c_str()); // where its fresh profile is made
    StartOptions options;
    options.bHeadless = true;
    std::string error;
    auto pOwn = OfficeConnection::Start(options, &error);
    ASSERT_TRUE(pOwn) << error;
    const int pid = pOwn->OfficePid();
    ASSERT_GT(pid, 0);
    pOwn->GetBaton().Enter();
    ASSERT_NE(pOwn->New(DocumentKind::Presentation, true, &error), 0u) << error;
    // Its pipe is its own, not the shared test office's.
    EXPECT_NE(pOwn->ConnectString(), Office().ConnectString());
    pOwn->GetBaton().Leave();
    pOwn.reset();
    EXPECT_NE(::kill(-pid, 0), 0) << "the office's process group is still there";
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "the profile was left behind";
    EXPECT_TRUE(Office().Alive());
}

TEST(UnoConnection, AnOfficeThatDiesMakesCallsFailAtOnceWithAClearMessage)
{
    StartOptions options;
    options.bHeadless = true;
    std::string error;
    auto pOwn = OfficeConnection::Start(options, &error);
    ASSERT_TRUE(pOwn) << error;
    BatonHold hold(pOwn->GetBaton());
    const DocumentId id = pOwn->New(DocumentKind::Text, true, &error);
    ASSERT_NE(id, 0u) << error;
    ASSERT_TRUE(pOwn->Alive());

    ::kill(-pOwn->OfficePid(), SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pOwn->Alive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(pOwn->Alive()) << "the lost connection was not noticed";
    const auto before = std::chrono::steady_clock::now();
    std::string value;
    EXPECT_FALSE(pOwn->GetProperty(id, "Title", &value, &error));
    EXPECT_NE(error.find("The connection to LibreOffice is lost"), std::string::npos) << error;
    EXPECT_TRUE(pOwn->Documents(DocumentKind::Text, &error).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    // The shared office is not affected.
    EXPECT_TRUE(Office().Alive());
}
