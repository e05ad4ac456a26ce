// Slide previews of a 50-slide presentation at 320 x 240, in the same run:
//   OfficeExport  the running LibreOffice exports each slide through its own graphic
//                 export (the presentation is open in it, as it is in a host)
//   PdfRoute      the simulated office's route: a LibreOffice converts the file to
//                 PDF, Poppler renders each page, each picture is written as JPEG
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "libreoffice/uno/officeconnection.h"
#include "simoffice/sliderenderer.h"
#include "tests/support/flatpresentation.h"

using namespace quillmark;
namespace fs = std::filesystem;

namespace {

constexpr int kSlides = 50;

struct Bench {
    std::string root;
    std::unique_ptr<libreoffice::OfficeConnection> pOffice;
    std::string deck;
    libreoffice::DocumentId id = 0;

    Bench()
    {
        root = (fs::temp_directory_path() / ("quillmark-office-bench-" + std::to_string(getpid()))).string();
        fs::create_directories(root);
        libreoffice::StartOptions options;
        options.bHeadless = true;
        std::string error;
        pOffice = libreoffice::OfficeConnection::Start(options, &error);
        if (!pOffice) throw std::runtime_error(error);
        pOffice->GetBaton().Enter();
        std::vector<std::string> titles;
        for (int i = 1; i <= kSlides; ++i) titles.push_back("Slide title " + std::to_string(i));
        const std::string flat = root + "/deck.fodp";
        std::ofstream(flat) << test::FlatPresentation(titles);
        deck = root + "/deck.pptx";
        const auto made = pOffice->Load(flat, true, &error);
        if (!made || !pOffice->StoreCopy(made, deck, &error) || !pOffice->Close(made, &error))
            throw std::runtime_error(error);
        id = pOffice->Load(deck, true, &error);
        if (!id) throw std::runtime_error(error);
    }
    ~Bench()
    {
        pOffice->GetBaton().Leave();
        pOffice.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

Bench& TheBench()
{
    static Bench bench;
    return bench;
}

void OfficeExport(benchmark::State& state)
{
    Bench& bench = TheBench();
    int run = 0;
    for (auto _ : state) {
        std::string error;
        const std::string folder = bench.root + "/office" + std::to_string(++run);
        if (!bench.pOffice->ExportSlides(bench.id, folder, "JPG", 320, 240, &error)) state.SkipWithError(error.c_str());
    }
    state.counters["slides"] = kSlides;
}

void PdfRoute(benchmark::State& state)
{
    Bench& bench = TheBench();
    int run = 0;
    for (auto _ : state) {
        simoffice::SlideRenderer renderer; // fresh: no pages kept from an earlier run
        std::string error;
        const auto* pPages = renderer.Pages(bench.deck, 320, &error);
        if (!pPages) {
            state.SkipWithError(error.c_str());
            break;
        }
        const std::string folder = bench.root + "/pdf" + std::to_string(++run);
        fs::create_directories(folder);
        int n = 0;
        for (const QImage& page : *pPages)
            page.scaled(320, 240).save(QString::fromStdString(folder + "/Slide" + std::to_string(++n) + ".JPG"), "JPG", 90);
    }
    state.counters["slides"] = kSlides;
}

} // namespace

BENCHMARK(OfficeExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(PdfRoute)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
