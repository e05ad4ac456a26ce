// The add-in's dialog launcher while the dialogs are not part of it: one line per
// request naming the dialog and what it was asked with, nothing confirmed; and
// CConnect handing it to the wrapper, so that the bar's clicks show it.
#include "addin/connect.h"
#include "addin/dialogavailability.h"
#include "addin/dialoglauncher.h"
#include "host/officeapplication.h"
#include "simoffice/simoffice.h"
#include "store/taggingdatabase.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quillmark;
using namespace quillmark::test;
using officecore::HostKind;
using simoffice::SimOffice;

namespace {

DialogRequest Request(DialogKind kind, const std::string& search = {}, ComPtr<IDispatch> spDocument = {})
{
    DialogRequest request;
    request.kind = kind;
    request.strSearch = search;
    request.spDocument = std::move(spDocument);
    return request;
}

const std::string kNotAvailable = " is not available in this version";

} // namespace

TEST(DialogAvailability, NamesTheDialogAndItsSearchOnOneLineAndConfirmsNothing)
{
    std::ostringstream err;
    DialogAvailability launcher(err);
    EXPECT_FALSE(launcher.Show(Request(DialogKind::BrowseDocuments, "budget")));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::BrowsePresentations, "budget")));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::BrowseDocuments)));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::BrowsePresentations)));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::Options)));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::About)));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::TagWord)));
    EXPECT_FALSE(launcher.Show(Request(DialogKind::TagPowerPoint)));
    EXPECT_EQ(err.str(), "quillmark: the Browse Tags dialog for documents (search \"budget\")" + kNotAvailable + "\n" +
                             "quillmark: the Browse Tags dialog for presentations (search \"budget\")" +
                             kNotAvailable + "\n" + "quillmark: the Browse Tags dialog for documents" +
                             kNotAvailable + "\n" + "quillmark: the Browse Tags dialog for presentations" +
                             kNotAvailable + "\n" + "quillmark: the Options dialog" + kNotAvailable + "\n" +
                             "quillmark: the About dialog" + kNotAvailable + "\n" + "quillmark: the Tag dialog" +
                             kNotAvailable + "\n" + "quillmark: the Tag dialog" + kNotAvailable + "\n");

    // Whatever the search text holds, the note stays one line and says it exactly.
    EXPECT_EQ(DialogAvailability::Note(Request(DialogKind::BrowsePresentations, "two\nlines \"q\" C:\\x\t\x01")),
              "quillmark: the Browse Tags dialog for presentations (search \"two\\nlines \\\"q\\\" C:\\\\x\\t\\x01\")" +
                  kNotAvailable);
    EXPECT_EQ(DialogAvailability::Note(Request(DialogKind::BrowseDocuments, "Grüße")),
              "quillmark: the Browse Tags dialog for documents (search \"Grüße\")" + kNotAvailable);
}

TEST(DialogAvailability, TheTagDialogNamesItsDocumentInEachHost)
{
    TempDir dir;
    std::string error;
    for (HostKind host : {HostKind::Word, HostKind::PowerPoint}) {
        const bool bWord = host == HostKind::Word;
        SCOPED_TRACE(bWord ? "word" : "powerpoint");
        SimOffice office(host);
        const std::string path = dir.WriteFile(bWord ? "Report.doc" : "Deck.ppt", "x");
        simoffice::SimDocument* pDoc = office.Model().Open(path, 0, &error);
        ASSERT_NE(pDoc, nullptr) << error;
        const ComPtr<IDispatch> spDocument = office.DocumentObject(*pDoc);
        const DialogKind own = bWord ? DialogKind::TagWord : DialogKind::TagPowerPoint;
        const DialogKind other = bWord ? DialogKind::TagPowerPoint : DialogKind::TagWord;
        EXPECT_EQ(DialogAvailability::Note(Request(own, {}, spDocument)),
                  std::string("quillmark: the Tag dialog for the ") + (bWord ? "document" : "presentation") + " \"" +
                      path + "\"" + kNotAvailable);
        // An object of the other host's kind has no name to give.
        EXPECT_EQ(DialogAvailability::Note(Request(other, {}, spDocument)),
                  "quillmark: the Tag dialog" + kNotAvailable);

        simoffice::SimDocument* pNew = office.Model().New();
        ASSERT_NE(pNew, nullptr);
        EXPECT_EQ(DialogAvailability::Note(Request(own, {}, office.DocumentObject(*pNew))),
                  std::string("quillmark: the Tag dialog for the ") + (bWord ? "document" : "presentation") + " \"" +
                      pNew->FullName() + "\"" + kNotAvailable);
    }
}

TEST(DialogAvailability, TheConnectionGivesItToTheWrapperAndTheBarsClicksReachIt)
{
    // The add-in's settings and database in a folder of the test's own.
    TempDir sandbox;
    ScopedEnv registry("QUILLMARK_REGISTRY", sandbox / "registry.reg");
    ScopedEnv data("XDG_DATA_HOME", sandbox / "data");
    ScopedEnv config("XDG_CONFIG_HOME", sandbox / "config");
    for (HostKind host : {HostKind::Word, HostKind::PowerPoint}) {
        const bool bWord = host == HostKind::Word;
        SCOPED_TRACE(bWord ? "word" : "powerpoint");
        SimOffice office(host);
        ComPtr<CConnect> spConnect = MakeComObject<CConnect>();
        ASSERT_EQ(spConnect->OnConnection(office.Application(), office::ext_cm_Startup, nullptr, nullptr), S_OK);
        ASSERT_NE(spConnect->HostWrapper(), nullptr);
        // The add-in's launcher; without a Qt application it can only give the note.
        EXPECT_NE(dynamic_cast<AddinDialogLauncher*>(spConnect->HostWrapper()->GetDialogLauncher()), nullptr);

        std::string error;
        const std::string path = sandbox.WriteFile(bWord ? "a.doc" : "a.ppt", "x");
        ASSERT_NE(office.Model().Open(path, 0, &error), nullptr) << error;
        // Only the file-name tag is stored, and it is hidden: no tag buttons. The
        // record gains two tags that a refresh would show.
        ASSERT_EQ(spConnect->HostWrapper()->TagButtonCount(), 1);
        ASSERT_TRUE(spConnect->Database()->SetFileTags(path, {"x", "y"}));
        ::testing::internal::CaptureStderr();
        for (const char* tag : {"&Browse", "&Options...", "&About"}) {
            officecore::ControlCore* pButton = office.CommandBars().FindButtonByTag(tag);
            ASSERT_NE(pButton, nullptr) << tag;
            EXPECT_EQ(pButton->FireClick(), 1u) << tag;
        }
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, std::string("quillmark: the Browse Tags dialog for ") + (bWord ? "documents" : "presentations") +
                           kNotAvailable + "\nquillmark: the Options dialog" + kNotAvailable +
                           "\nquillmark: the About dialog" + kNotAvailable + "\n");
        // Options was not confirmed: the bar was not rebuilt.
        EXPECT_EQ(spConnect->HostWrapper()->TagButtonCount(), 1);
        EXPECT_EQ(office.CommandBars().FindButtonByTag("x"), nullptr);
        office.Shutdown();
    }
}
