#pragma once
// A wrapper attached to an in-process simulated Word or PowerPoint, with its own
// settings, tag database, registry and XDG folders, and recorders for the dialogs
// and the web addresses the bar asks for.
#include "host/powerpointapplication.h"
#include "host/wordapplication.h"
#include "platform/shell/opener.h"
#include "resources/strings.h"
#include "simoffice/simoffice.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "tests/support/isolatedfolders.h"
#include "tests/support/scopedenv.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace quillmark::test {

struct RecordingLauncher : DialogLauncher {
    std::vector<DialogRequest> requests;
    bool bAnswer = false;           // what Show reports: OK or Cancel
    std::function<void()> fnDuring; // runs while the "dialog" is open
    bool Show(const DialogRequest& request) override
    {
        requests.push_back(request);
        if (fnDuring) fnDuring();
        return bAnswer;
    }
};

struct RecordingOpener : shell::UrlOpener {
    std::vector<std::string> urls;
    bool Open(const std::string& url) override
    {
        urls.push_back(url);
        return true;
    }
};

// Makes a recorder the current URL opener while it lives.
struct ScopedOpener {
    RecordingOpener opener;
    shell::UrlOpener* pPrevious;
    ScopedOpener() : pPrevious(shell::SetUrlOpener(&opener)) {}
    ~ScopedOpener() { shell::SetUrlOpener(pPrevious); }
};

struct WordTraits {
    static constexpr officecore::HostKind kHost = officecore::HostKind::Word;
    using AppInterface = word::_Application;
    static constexpr const char* kExtension = ".doc";
    static constexpr DialogKind kBrowse = DialogKind::BrowseDocuments;
    static constexpr DialogKind kTag = DialogKind::TagWord;
};
struct PowerPointTraits {
    static constexpr officecore::HostKind kHost = officecore::HostKind::PowerPoint;
    using AppInterface = powerpoint::_Application;
    static constexpr const char* kExtension = ".ppt";
    static constexpr DialogKind kBrowse = DialogKind::BrowsePresentations;
    static constexpr DialogKind kTag = DialogKind::TagPowerPoint;
};
// The traits of a wrapper type or of a test's class derived from one.
template <class Wrapper>
struct HostTraits
    : std::conditional_t<std::is_base_of_v<WordApplication, Wrapper>, WordTraits, PowerPointTraits> {};

// The wrapper as the connection sets it up: settings, application, database.
// Members are destroyed in reverse order, so the wrapper goes before the host.
template <class Wrapper>
struct HostSetup {
    using Traits = HostTraits<Wrapper>;

    IsolatedFolders folders;
    simoffice::SimOffice office{Traits::kHost};
    AppSettings settings;
    TaggingDatabase database;
    RecordingLauncher launcher;
    std::unique_ptr<Wrapper> pWrapper = std::make_unique<Wrapper>();
    Wrapper& wrapper = *pWrapper; // valid until pWrapper is reset

    explicit HostSetup(std::uint32_t productType = 0, std::uint32_t fileNameTagSetting = 0)
    {
        Attach(productType, fileNameTagSetting);
    }
    // The database works through `fs`, as the connection hands it its file system.
    explicit HostSetup(files::FileSystem& fs) : database(fs) { Attach(0, 0); }

    void Attach(std::uint32_t productType, std::uint32_t fileNameTagSetting)
    {
        settings.ProductType = productType;
        settings.ProductName = LoadResString(productType == 2 ? 133 : 132);
        settings.WebsiteHelpURL = "help/index.html";
        settings.GlobalDefaultFileNameTag = fileNameTagSetting;
        settings.DatabasePath = folders.dir / "db/";
        database.m_pSettings = &settings;
        database.Open();

        wrapper.SetSettings(&settings);
        wrapper.SetApplication(ComPtr<IDispatch>(office.Application()).As<typename Traits::AppInterface>());
        wrapper.SetDatabase(&database);
        wrapper.SetDialogLauncher(&launcher);
    }

    // A real file in the test folder, e.g. Document("report") -> <dir>/report.doc.
    std::string MakeFile(const std::string& stem) { return folders.dir.WriteFile(stem + Traits::kExtension, "x"); }

    simoffice::SimDocument& Open(const std::string& path)
    {
        std::string error;
        simoffice::SimDocument* pDoc = office.Model().Open(path, 0, &error);
        if (!pDoc) throw std::runtime_error(error);
        return *pDoc;
    }

    officecore::SimCommandBar& Bar()
    {
        auto bars = office.CommandBars().Bars();
        if (bars.empty()) throw std::runtime_error("no command bar");
        return *bars.back();
    }
    std::vector<officecore::ControlCore*> Controls() { return Bar().Controls().List(); }
};

// "caption|tooltip|tag|face|style" of a button, for comparing whole bars at once.
inline std::string Describe(const officecore::ControlCore* pControl)
{
    const officecore::ControlState& s = pControl->State();
    return s.caption + "|" + s.tooltip + "|" + s.tag + "|" + std::to_string(s.faceId) + "|" +
           std::to_string(s.style);
}

inline std::vector<std::string> Captions(const std::vector<officecore::ControlCore*>& controls)
{
    std::vector<std::string> captions;
    for (const officecore::ControlCore* pControl : controls)
        captions.push_back(pControl->State().caption);
    return captions;
}

} // namespace quillmark::test
