// The longest pause of the user-interface thread while the previews of a
// 20-slide presentation are made: once on the thread itself (as a click on a
// changed presentation did), once beside its event loop as the dialogs now do.
// A 2 ms timer on the user-interface thread notes the longest gap between its
// ticks; the figure is the counter longest_pause_ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/powerpointapplication.h"
#include "platform/files/files.h"
#include "resources/dialogtemplates.h"
#include "simoffice/simoffice.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "ui/backgroundstep.h"
#include "ui/templatedialog.h"

using namespace quillmark;
namespace fs = std::filesystem;

namespace {

constexpr int kSlides = 20;

struct Bench {
    std::string root;
    simoffice::SimOffice office{simoffice::HostKind::PowerPoint};
    AppSettings settings;
    TaggingDatabase database;
    PowerPointApplication ppt;
    std::string deck;

    Bench()
    {
        root = (fs::temp_directory_path() / ("quillmark-uipause-bench-" + std::to_string(getpid()))).string();
        fs::create_directories(root + "/db");
        settings.DatabasePath = root + "/db/";
        database.m_pSettings = &settings;
        database.Open();
        ppt.SetSettings(&settings);
        ppt.SetApplication(ComPtr<IDispatch>(office.Application()).As<powerpoint::_Application>());
        ppt.SetDatabase(&database);
        deck = root + "/deck.ppt";
        files::AtomicReplace(deck, "x", 0644);
        std::string error;
        simoffice::SimDocument* pDoc = office.Model().Open(deck, kSlides, &error);
        if (!pDoc || !office.Model().Save(pDoc, {}, &error)) throw std::runtime_error(error);
        office.Model().Close(pDoc);
    }
    ~Bench()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

Bench& TheBench()
{
    static Bench bench;
    return bench;
}

// The longest gap between ticks of a 2 ms timer while `work` runs on this thread.
template <class Work>
double LongestPauseMs(Work work)
{
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    const auto settle = [] {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 20) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    settle();
    longest = 0;
    work();
    settle(); // the tick after the work ends measures a pause that lasted all of it
    return static_cast<double>(longest) / 1e6;
}

void BM_PreviewOnTheUserInterfaceThread(benchmark::State& state)
{
    Bench& bench = TheBench();
    double longest = 0;
    for (auto _ : state) {
        longest = std::max(longest, LongestPauseMs([&] {
            if (!bench.ppt.GeneratePreview(bench.deck)) state.SkipWithError("no images written");
        }));
    }
    state.counters["longest_pause_ms"] = longest;
}
BENCHMARK(BM_PreviewOnTheUserInterfaceThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_PreviewBesideTheEventLoop(benchmark::State& state)
{
    Bench& bench = TheBench();
    TemplateDialog dialog(IDD_OPTIONS);
    dialog.show();
    DialogStepRunner runner(dialog, nullptr);
    double longest = 0;
    for (auto _ : state) {
        longest = std::max(longest, LongestPauseMs([&] {
            if (!bench.ppt.GeneratePreview(bench.deck, &runner)) state.SkipWithError("no images written");
        }));
    }
    state.counters["longest_pause_ms"] = longest;
}
BENCHMARK(BM_PreviewBesideTheEventLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
