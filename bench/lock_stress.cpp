// Many processes changing one tag database at once, with readers beside them.
//   lock_stress [RECORDS [WRITERS [CHANGES [READERS]]]]   (default 50000 8 200 2)
// Each writer process sets the tags of CHANGES records of its own, one change
// at a time, waiting for the lock as a host does (5 s); each reader process
// opens the database anew and finds every record tagged "budget", over and
// over, until the writers are done. Prints how many changes failed, how many
// were lost (checked by a parse of the final file), how long each change held
// the lock, and what the readers saw. Exits 1 when a change failed or was lost,
// or a reader saw a wrong count.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "bench/benchdata.h"
#include "store/appsettings.h"
#include "store/indexfile.h"
#include "store/taggingdatabase.h"

using namespace quillmark;
using namespace quillmark::benchdata;
namespace fs = std::filesystem;

namespace {

struct Run {
    long records = 50000, writers = 8, changes = 200, readers = 2;
    std::string folder;
};

std::string ChangedPath(const Run& run, long writer, long change)
{
    // 7919 is prime, so distinct changes land on distinct records spread over the file.
    return RecordPath(((writer * run.changes + change) * 7919) % run.records);
}

std::string ChangedTag(long writer, long change)
{
    return "stress w" + std::to_string(writer) + " c" + std::to_string(change);
}

AppSettings SettingsOf(const Run& run)
{
    AppSettings settings;
    settings.DatabasePath = run.folder;
    settings.WriteFileSystemTags = 0;
    return settings;
}

// One line a change: "1 HOLD_NS" when it was stored, "0 HOLD_NS" when it failed.
int Writer(const Run& run, long writer)
{
    AppSettings settings = SettingsOf(run);
    TaggingDatabase db;
    db.m_pSettings = &settings;
    db.Open();
    std::ofstream out(run.folder + "writer" + std::to_string(writer) + ".txt");
    for (long change = 0; change < run.changes; ++change) {
        const bool ok = db.SetFileTags(ChangedPath(run, writer, change), {"budget", ChangedTag(writer, change)});
        out << (ok ? 1 : 0) << ' ' << db.LastLockHold().count() << '\n';
    }
    return out ? 0 : 1;
}

// "READS WRONG INDEXED": reads made, reads that did not find every record,
// reads answered by the persistent index.
int Reader(const Run& run, long reader)
{
    AppSettings settings = SettingsOf(run);
    long reads = 0, wrong = 0, indexed = 0;
    while (!fs::exists(run.folder + "stop")) {
        TaggingDatabase db;
        db.m_pSettings = &settings;
        db.Open(false);
        const auto found = db.FindDocuments("budget", {});
        ++reads;
        wrong += static_cast<long>(found.size()) != run.records ? 1 : 0;
        indexed += db.LastIndexLoad() == indexfile::Loaded::Used ? 1 : 0;
    }
    std::ofstream(run.folder + "reader" + std::to_string(reader) + ".txt") << reads << ' ' << wrong << ' ' << indexed
                                                                            << '\n';
    return 0;
}

pid_t Start(int (*body)(const Run&, long), const Run& run, long number)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body(run, number));
    return child;
}

double Ms(long long ns)
{
    return static_cast<double>(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    Run run;
    long* const fields[] = {&run.records, &run.writers, &run.changes, &run.readers};
    for (int i = 1; i < argc && i <= 4; ++i)
        *fields[i - 1] = std::atol(argv[i]);
    if (run.records <= 0 || run.writers <= 0 || run.changes <= 0 || run.readers < 0 ||
        run.writers * run.changes > run.records) {
        std::cerr << "usage: lock_stress [RECORDS [WRITERS [CHANGES [READERS]]]] (WRITERS x CHANGES <= RECORDS)\n";
        return 2;
    }
    run.folder = (fs::temp_directory_path() / ("quillmark-stress-" + std::to_string(::getpid()))).string() + "/";
    fs::create_directories(run.folder);
    std::ofstream(run.folder + "tags.xml", std::ios::binary) << DatabaseText(run.records);
    {
        // A first reader writes the persistent index, as a host's start would.
        AppSettings settings = SettingsOf(run);
        TaggingDatabase db;
        db.m_pSettings = &settings;
        db.Open();
    }

    const auto started = std::chrono::steady_clock::now();
    std::vector<pid_t> readers, writers;
    for (long r = 0; r < run.readers; ++r)
        readers.push_back(Start(Reader, run, r));
    for (long w = 0; w < run.writers; ++w)
        writers.push_back(Start(Writer, run, w));
    int failedProcesses = 0;
    for (const pid_t child : writers) {
        int status = 0;
        ::waitpid(child, &status, 0);
        failedProcesses += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::ofstream(run.folder + "stop") << "stop\n";
    for (const pid_t child : readers) {
        int status = 0;
        ::waitpid(child, &status, 0);
        failedProcesses += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
    }

    std::vector<long long> holds;
    long failed = 0;
    for (long w = 0; w < run.writers; ++w) {
        std::ifstream in(run.folder + "writer" + std::to_string(w) + ".txt");
        int ok = 0;
        long long hold = 0;
        while (in >> ok >> hold) {
            failed += ok ? 0 : 1;
            holds.push_back(hold);
        }
    }
    long reads = 0, wrongReads = 0, indexedReads = 0;
    for (long r = 0; r < run.readers; ++r) {
        std::ifstream in(run.folder + "reader" + std::to_string(r) + ".txt");
        long a = 0, b = 0, c = 0;
        in >> a >> b >> c;
        reads += a;
        wrongReads += b;
        indexedReads += c;
    }

    // Every change that reported success is in the file, as a parse reads it.
    AppSettings settings = SettingsOf(run);
    TaggingDatabase check;
    check.m_pSettings = &settings;
    check.SetUseIndex(false);
    check.Open(false);
    long lost = 0;
    for (long w = 0; w < run.writers; ++w)
        for (long change = 0; change < run.changes; ++change) {
            const TagList tags = check.GetFileItem(ChangedPath(run, w, change)).tags;
            lost += std::find(tags.begin(), tags.end(), ChangedTag(w, change)) == tags.end() ? 1 : 0;
        }
    lost -= failed; // a failed change is reported, not lost

    std::sort(holds.begin(), holds.end());
    const auto at = [&](double share) {
        return holds.empty() ? 0.0 : Ms(holds[std::min(holds.size() - 1, static_cast<std::size_t>(share * holds.size()))]);
    };
    std::printf("records %ld, %ld writers x %ld changes, %ld readers: %.1f s\n", run.records, run.writers,
                run.changes, run.readers, seconds);
    std::printf("changes: %zu made, %ld failed, %ld lost\n", holds.size(), failed, lost);
    std::printf("lock held per change: median %.1f ms, 90%% %.1f ms, max %.1f ms\n", at(0.5), at(0.9),
                holds.empty() ? 0.0 : Ms(holds.back()));
    std::printf("readers: %ld reads, %ld wrong, %ld through the index\n", reads, wrongReads, indexedReads);
    fs::remove_all(run.folder);
    const long expected = run.writers * run.changes;
    return failed == 0 && lost == 0 && wrongReads == 0 && failedProcesses == 0 &&
                   static_cast<long>(holds.size()) == expected
               ? 0
               : 1;
}
