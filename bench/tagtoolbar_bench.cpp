// Times RefreshTagToolbar over the simulated Word for a document whose record
// holds 8,000 or 32,000 tags: removing the tag buttons of the previous refresh
// and making those of this one.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/wordapplication.h"
#include "platform/files/files.h"
#include "resources/strings.h"
#include "simoffice/simoffice.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"

using namespace quillmark;
namespace fs = std::filesystem;

namespace {

// A simulated Word with the wrapper's bar built and one document open.
struct Bench {
    std::string root;
    simoffice::SimOffice office{officecore::HostKind::Word};
    AppSettings settings;
    TaggingDatabase database;
    WordApplication word;
    std::string doc;

    Bench()
    {
        root = (fs::temp_directory_path() / ("quillmark-toolbar-bench-" + std::to_string(getpid()))).string();
        fs::create_directories(root + "/db");
        settings.DatabasePath = root + "/db/";
        settings.ProductName = LoadResString(132);
        database.m_pSettings = &settings;
        database.Open();
        word.SetSettings(&settings);
        word.SetApplication(ComPtr<IDispatch>(office.Application()).As<word::_Application>());
        word.SetDatabase(&database);
        if (!word.CreateCommandBar()) throw std::runtime_error("no command bar");
        word.DisconnectApplicationEvents(); // the refreshes below are the only ones
        doc = root + "/Report.doc";
        files::AtomicReplace(doc, "x", 0644);
        std::string error;
        if (!office.Model().Open(doc, 0, &error)) throw std::runtime_error(error);
    }
    ~Bench()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

void BM_RefreshTagToolbar(benchmark::State& state)
{
    Bench bench;
    TagList tags;
    for (std::int64_t i = 0; i < state.range(0); ++i) tags.push_back("tag" + std::to_string(i));
    if (!bench.database.SetFileTags(bench.doc, tags)) throw std::runtime_error("SetFileTags failed");
    bench.word.RefreshTagToolbar(bench.doc, true);
    for (auto _ : state) bench.word.RefreshTagToolbar(bench.doc, true);
    state.counters["buttons"] = bench.word.TagButtonCount() - 1;
}
BENCHMARK(BM_RefreshTagToolbar)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
