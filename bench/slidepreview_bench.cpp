// Times the slide previews of a 50-slide presentation: PowerPoint's bitmap export
// followed by our conversion of every bitmap into a 320 x 240 JPEG at quality 90
// (GeneratePreview), the conversion alone, and, in the same run over the same
// bitmaps, vipsthumbnail (libvips) making the same 320 x 240 quality-90 JPEGs.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/powerpointapplication.h"
#include "host/previewfolder.h"
#include "platform/files/files.h"
#include "simoffice/simoffice.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"

extern char** environ;

using namespace quillmark;
namespace fs = std::filesystem;

namespace {

constexpr int kSlides = 50;

// One simulated PowerPoint with the wrapper attached, a 50-slide presentation
// saved in a folder of its own, and that presentation's bitmaps exported once.
struct Bench {
    std::string root;
    simoffice::SimOffice office{officecore::HostKind::PowerPoint};
    AppSettings settings;
    TaggingDatabase database;
    PowerPointApplication ppt;
    std::string deck;
    std::string bitmaps; // the 50 slide bitmaps, kept for the conversions

    Bench()
    {
        root = (fs::temp_directory_path() / ("quillmark-preview-bench-" + std::to_string(getpid()))).string();
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
        bitmaps = root + "/bitmaps";
        if (!office.Model().ExportSlides(*pDoc, bitmaps, "BMP", &error)) throw std::runtime_error(error);
        office.Model().Close(pDoc);
    }
    ~Bench()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::vector<std::string> Bitmaps() const
    {
        std::vector<std::string> paths;
        for (const std::string& name : files::ListFiles(bitmaps, "*.BMP")) paths.push_back(bitmaps + "/" + name);
        return paths;
    }
};

Bench& TheBench()
{
    static Bench bench;
    return bench;
}

void BM_GeneratePreview50Slides(benchmark::State& state)
{
    Bench& bench = TheBench();
    for (auto _ : state) {
        if (!bench.ppt.GeneratePreview(bench.deck)) state.SkipWithError("no images written");
    }
    state.counters["slides"] = kSlides;
}
BENCHMARK(BM_GeneratePreview50Slides)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertToJpeg50Bitmaps(benchmark::State& state)
{
    Bench& bench = TheBench();
    const std::vector<std::string> sources = bench.Bitmaps();
    const std::string out = bench.root + "/ours";
    fs::create_directories(out);
    imaging::EncoderParameters par;
    par.quality = iCompressionQuality;
    for (auto _ : state) {
        for (const std::string& source : sources)
            if (!ConvertToJpeg(source, out + "/" + fs::path(source).stem().string() + ".JPG", par))
                state.SkipWithError("conversion failed");
    }
    state.counters["images"] = static_cast<double>(sources.size());
}
BENCHMARK(BM_ConvertToJpeg50Bitmaps)->Unit(benchmark::kMillisecond)->UseRealTime();

// vipsthumbnail -s 320x240! (stretched, proportions not kept) -o DIR/%s.jpg[Q=90] BITMAPS...
void BM_Vipsthumbnail50Bitmaps(benchmark::State& state)
{
    Bench& bench = TheBench();
    const std::vector<std::string> sources = bench.Bitmaps();
    const std::string out = bench.root + "/vips";
    fs::create_directories(out);
    std::vector<std::string> args{"vipsthumbnail", "-s", "320x240!", "-o", out + "/%s.jpg[Q=90]"};
    args.insert(args.end(), sources.begin(), sources.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "vipsthumbnail", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("vipsthumbnail failed (Debian package libvips-tools)");
            break;
        }
    }
    state.counters["images"] = static_cast<double>(sources.size());
}
BENCHMARK(BM_Vipsthumbnail50Bitmaps)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv); // the simulated export draws slide text
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
