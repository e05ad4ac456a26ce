// Times the tag database's operations over databases of 1,000 to 100,000
// records (five tags each), beside the time to write as many bytes to a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/files/files.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"

using namespace quillmark;
namespace fs = std::filesystem;

namespace {

std::string RecordPath(long i) { return "/home/user/Documents/project" + std::to_string(i % 97) + "/report" + std::to_string(i) + ".doc"; }

// A database folder holding tags.xml with `records` records, made once per size.
std::map<long, std::string>& Folders()
{
    static std::map<long, std::string> folders;
    return folders;
}

const std::string& DatabaseFolder(long records)
{
    std::map<long, std::string>& folders = Folders();
    auto found = folders.find(records);
    if (found != folders.end())
        return found->second;
    std::string folder = (fs::temp_directory_path() / ("quillmark-bench-" + std::to_string(getpid()) + "-" +
                                                       std::to_string(records))).string() + "/";
    fs::create_directories(folder);
    TaggingDatabase hasher;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<documents>\n";
    for (long i = 0; i < records; ++i) {
        const std::string path = RecordPath(i);
        xml += "  <doc md5=\"" + hasher.GetMd5Hex(path) + "\" path=\"" + path +
               "\" writedate=\"2026-11-30 10:15:00\" createdate=\"2026-11-01 09:00:00\" "
               "accessdate=\"2026-12-01 08:30:00\" type=\"doc\">\n";
        const std::string tags[5] = {"budget", "Finance " + std::to_string(2000 + i % 30), "client" + std::to_string(i % 500),
                                     "draft", "topic-" + std::to_string(i)};
        for (const std::string& tag : tags)
            xml += "    <tag>" + tag + "</tag>\n";
        xml += "  </doc>\n";
    }
    xml += "</documents>\n";
    std::ofstream(folder + "tags.xml", std::ios::binary) << xml;
    return folders.emplace(records, folder).first->second;
}

struct OpenDatabase {
    AppSettings settings;
    TaggingDatabase db;
    explicit OpenDatabase(long records)
    {
        settings.DatabasePath = DatabaseFolder(records);
        db.m_pSettings = &settings;
        db.Open();
    }
};

void BM_Open(benchmark::State& state)
{
    AppSettings settings;
    settings.DatabasePath = DatabaseFolder(state.range(0));
    for (auto _ : state) {
        TaggingDatabase db;
        db.m_pSettings = &settings;
        benchmark::DoNotOptimize(db.Open());
    }
}

void BM_GetAllTags(benchmark::State& state)
{
    OpenDatabase open(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.GetAllTags().size());
}

void BM_FindDocumentsHit(benchmark::State& state)
{
    OpenDatabase open(state.range(0));
    size_t found = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = open.db.FindDocuments("CLIENT7", {"doc"}).size());
    state.counters["found"] = static_cast<double>(found);
}

void BM_FindDocumentsMiss(benchmark::State& state)
{
    OpenDatabase open(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.FindDocuments("no such tag", {"doc"}).size());
}

void BM_GetFileItem(benchmark::State& state)
{
    OpenDatabase open(state.range(0));
    const std::string path = RecordPath(state.range(0) / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.GetFileItem(path).tags.size());
}

void BM_SetFileTags(benchmark::State& state)
{
    OpenDatabase open(state.range(0));
    const std::string path = RecordPath(state.range(0) / 2);
    const TagList tags = {"budget", "Finance 2026", "client7", "final", "topic-x"};
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.SetFileTags(path, tags));
}

// The floor under SetFileTags: writing a file of the database's size, plainly
// and atomically (temporary file, flush, rename) as the database does.
void BM_WriteSameBytes(benchmark::State& state)
{
    const std::string database = DatabaseFolder(state.range(0)) + "tags.xml";
    const std::string content = *files::ReadFile(database);
    const std::string target = DatabaseFolder(state.range(0)) + "plain.bin";
    for (auto _ : state) {
        std::FILE* file = std::fopen(target.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}

void BM_AtomicReplaceSameBytes(benchmark::State& state)
{
    const std::string database = DatabaseFolder(state.range(0)) + "tags.xml";
    const std::string content = *files::ReadFile(database);
    const std::string target = DatabaseFolder(state.range(0)) + "atomic.bin";
    for (auto _ : state)
        benchmark::DoNotOptimize(files::AtomicReplace(target, content));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Open) SIZES;
BENCHMARK(BM_GetAllTags) SIZES;
BENCHMARK(BM_FindDocumentsHit) SIZES;
BENCHMARK(BM_FindDocumentsMiss) SIZES;
BENCHMARK(BM_GetFileItem) SIZES;
BENCHMARK(BM_SetFileTags) SIZES;
BENCHMARK(BM_WriteSameBytes) SIZES;
BENCHMARK(BM_AtomicReplaceSameBytes) SIZES;

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [records, folder] : Folders())
        fs::remove_all(folder);
    return 0;
}
