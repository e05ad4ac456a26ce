// Times the tag database beside peers doing the same work on the same records,
// at 1,000, 10,000 and 100,000 records of five tags each:
//   BM_Find, BM_FindMiss   vs BM_SqliteLike   (SQLite in memory, lower(tags) LIKE, type test)
//   BM_GetFileItem         vs BM_SqliteLookup (primary key)
//   BM_SetFileTags         vs BM_AtomicWriteSameBytes (temporary file, flush, rename, flush folder)
//   BM_Open, BM_OpenWithIndex vs BM_LibxmlReadFree (xmlReadFile and xmlFreeDoc)
// `taggingdatabase_bench --make-db FILE RECORDS` only writes such a database file;
// `--make-sqlite FILE RECORDS` writes the same records into an SQLite file, table
// docs(md5 text primary key, path text, type text, tags text).
#include <benchmark/benchmark.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>
#include <chrono>
#include <thread>

#include <sys/stat.h>

#include <unistd.h>

#include "platform/files/files.h"
#include "store/appsettings.h"
#include "store/taggingdatabase.h"
#include "store/indexfile.h"

#include "bench/benchdata.h"

using namespace quillmark;
using namespace quillmark::benchdata;
namespace fs = std::filesystem;

namespace {

const TypeList kDocs{"doc"};
const char kHit[] = "GROUP07";       // one record in fifty has the tag "group07"
const char kMiss[] = "no such tag";

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
    const std::string folder = (fs::temp_directory_path() / ("quillmark-bench-" + std::to_string(getpid()) + "-" +
                                                             std::to_string(records)))
                                   .string() +
                               "/";
    fs::create_directories(folder);
    std::ofstream(folder + "tags.xml", std::ios::binary) << DatabaseText(records);
    return folders.emplace(records, folder).first->second;
}

struct OpenDatabase {
    AppSettings settings;
    TaggingDatabase db;
    explicit OpenDatabase(long records, benchmark::State& state)
    {
        settings.DatabasePath = DatabaseFolder(records);
        db.m_pSettings = &settings;
        db.Open();
        if (!db.WritesFromPieces())
            state.SkipWithError("the database file is not in the formatter's exact form");
    }
};

// The peer: the same records in an SQLite database in memory.
class SqlitePeer {
public:
    explicit SqlitePeer(long records)
    {
        sqlite3_open(":memory:", &m_pDb);
        sqlite3_exec(m_pDb,
                     "CREATE TABLE docs(md5 TEXT PRIMARY KEY, path TEXT, type TEXT, writedate TEXT, "
                     "thumbwritedate TEXT, tags TEXT); BEGIN",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = Prepare("INSERT INTO docs VALUES(?1, ?2, 'doc', ?4, NULL, ?3)");
        TaggingDatabase hasher;
        for (long i = 0; i < records; ++i) {
            const std::string path = RecordPath(i);
            Bind(insert, 1, hasher.GetMd5Hex(path));
            Bind(insert, 2, path);
            Bind(insert, 3, JoinTags(RecordTags(i)));
            Bind(insert, 4, WriteDate(i));
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(m_pDb, "COMMIT", nullptr, nullptr, nullptr);
    }
    ~SqlitePeer() { sqlite3_close(m_pDb); }

    sqlite3_stmt* Prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(m_pDb, sql, -1, &statement, nullptr);
        return statement;
    }
    static void Bind(sqlite3_stmt* statement, int index, const std::string& text)
    {
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    static std::string Column(sqlite3_stmt* statement, int index)
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)))
                    : std::string();
    }

private:
    sqlite3* m_pDb = nullptr;
};

void BM_Find(benchmark::State& state)
{
    OpenDatabase open(state.range(0), state);
    std::size_t found = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = open.db.FindDocuments(kHit, kDocs).size());
    state.counters["found"] = static_cast<double>(found);
}

void BM_FindMiss(benchmark::State& state)
{
    OpenDatabase open(state.range(0), state);
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.FindDocuments(kMiss, kDocs).size());
}

// What FindDocuments does, in SQL: the type test and the folded text test, with
// each hit's path, key, preview date and tags read out.
void BM_SqliteLike(benchmark::State& state)
{
    SqlitePeer peer(state.range(0));
    sqlite3_stmt* query = peer.Prepare(
        "SELECT path, md5, thumbwritedate, tags FROM docs WHERE instr(type, ?1) > 0 AND lower(tags) LIKE ?2");
    SqlitePeer::Bind(query, 1, "doc");
    SqlitePeer::Bind(query, 2, "%group07%");
    std::size_t found = 0;
    for (auto _ : state) {
        std::vector<std::string> rows;
        while (sqlite3_step(query) == SQLITE_ROW) {
            rows.push_back(SqlitePeer::Column(query, 0));
            rows.push_back(SqlitePeer::Column(query, 1));
            rows.push_back(SqlitePeer::Column(query, 2));
            rows.push_back(SqlitePeer::Column(query, 3));
        }
        sqlite3_reset(query);
        found = rows.size() / 4;
        benchmark::DoNotOptimize(rows.data());
    }
    sqlite3_finalize(query);
    state.counters["found"] = static_cast<double>(found);
}

void BM_GetFileItem(benchmark::State& state)
{
    OpenDatabase open(state.range(0), state);
    const std::vector<std::string> paths = LookupPaths(state.range(0));
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(open.db.GetFileItem(paths[i++ % paths.size()]).tags.size());
}

// What GetFileItem does, in SQL: the key from the path, then the row by its key.
void BM_SqliteLookup(benchmark::State& state)
{
    SqlitePeer peer(state.range(0));
    sqlite3_stmt* query = peer.Prepare("SELECT writedate, tags FROM docs WHERE md5 = ?1");
    const std::vector<std::string> paths = LookupPaths(state.range(0));
    std::size_t i = 0;
    TaggingDatabase hasher;
    for (auto _ : state) {
        SqlitePeer::Bind(query, 1, hasher.GetMd5Hex(paths[i++ % paths.size()]));
        std::string writeDate, tags;
        if (sqlite3_step(query) == SQLITE_ROW) {
            writeDate = SqlitePeer::Column(query, 0);
            tags = SqlitePeer::Column(query, 1);
        }
        sqlite3_reset(query);
        benchmark::DoNotOptimize(tags.data());
    }
    sqlite3_finalize(query);
}

void BM_SetFileTags(benchmark::State& state)
{
    OpenDatabase open(state.range(0), state);
    const TagList tags = {"budget", "Finance 2026", "group07", "final", "topic-x"};
    long i = 0;
    for (auto _ : state) {
        // A different record each time, from all over the file.
        const std::string path = RecordPath((i++ * 7919) % state.range(0));
        if (!open.db.SetFileTags(path, tags))
            state.SkipWithError("SetFileTags failed");
    }
    if (!open.db.WritesFromPieces())
        state.SkipWithError("the changes left the formatter's exact form");
}

// The floor under SetFileTags: writing the database's bytes atomically.
void BM_AtomicWriteSameBytes(benchmark::State& state)
{
    const std::string content = *files::ReadFile(DatabaseFolder(state.range(0)) + "tags.xml");
    const std::string target = DatabaseFolder(state.range(0)) + "atomic.bin";
    for (auto _ : state)
        benchmark::DoNotOptimize(files::AtomicReplace(target, content));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}

// Open reading the file itself, as every process did before the persistent index.
void BM_Open(benchmark::State& state)
{
    AppSettings settings;
    settings.DatabasePath = DatabaseFolder(state.range(0));
    for (auto _ : state) {
        TaggingDatabase db;
        db.SetUseIndex(false);
        db.m_pSettings = &settings;
        benchmark::DoNotOptimize(db.Open());
    }
}

// Open through a valid persistent index beside the file, proven by the file's
// identity (written more than the racy margin after the file's last change).
void BM_OpenWithIndex(benchmark::State& state)
{
    AppSettings settings;
    settings.DatabasePath = DatabaseFolder(state.range(0));
    const auto open = [&] {
        TaggingDatabase db;
        db.m_pSettings = &settings;
        db.Open();
        return db.LastIndexLoad();
    };
    open();
    struct stat st {};
    ::stat((settings.DatabasePath + "tags.xml").c_str(), &st);
    const auto changed = std::chrono::system_clock::from_time_t(st.st_ctim.tv_sec) + std::chrono::seconds(4);
    std::this_thread::sleep_until(changed);
    open(); // proves it by the file's bytes once more, and writes it again
    if (open() != indexfile::Loaded::Used)
        state.SkipWithError("the index was not used");
    for (auto _ : state) {
        TaggingDatabase db;
        db.m_pSettings = &settings;
        benchmark::DoNotOptimize(db.Open());
    }
}

void BM_LibxmlReadFree(benchmark::State& state)
{
    const std::string file = DatabaseFolder(state.range(0)) + "tags.xml";
    for (auto _ : state) {
        xmlDoc* doc = xmlReadFile(file.c_str(), nullptr, 0);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->MinTime(0.3)
BENCHMARK(BM_Find) SIZES;
BENCHMARK(BM_FindMiss) SIZES;
BENCHMARK(BM_SqliteLike) SIZES;
BENCHMARK(BM_GetFileItem) SIZES;
BENCHMARK(BM_SqliteLookup) SIZES;
// Both wait on the disk: their figure is the time that passes.
BENCHMARK(BM_SetFileTags) SIZES->UseRealTime();
BENCHMARK(BM_AtomicWriteSameBytes) SIZES->UseRealTime();
BENCHMARK(BM_Open) SIZES;
BENCHMARK(BM_OpenWithIndex) SIZES;
BENCHMARK(BM_LibxmlReadFree) SIZES;

// The records in an SQLite file, for the whole-process comparison (bench/instant_start.sh).
bool MakeSqlite(const char* file, long records)
{
    ::unlink(file);
    sqlite3* db = nullptr;
    if (sqlite3_open(file, &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "CREATE TABLE docs(md5 text primary key, path text, type text, tags text); BEGIN",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO docs VALUES(?1, ?2, 'doc', ?3)", -1, &insert, nullptr) == SQLITE_OK;
    TaggingDatabase hasher;
    for (long i = 0; ok && i < records; ++i) {
        const std::string path = RecordPath(i);
        SqlitePeer::Bind(insert, 1, hasher.GetMd5Hex(path));
        SqlitePeer::Bind(insert, 2, path);
        SqlitePeer::Bind(insert, 3, JoinTags(RecordTags(i)));
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--make-db") == 0) {
        const long records = std::atol(argv[3]);
        std::ofstream out(argv[2], std::ios::binary);
        out << DatabaseText(records);
        return out ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--make-sqlite") == 0)
        return MakeSqlite(argv[2], std::atol(argv[3])) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    xmlInitParser();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [records, folder] : Folders())
        fs::remove_all(folder);
    return 0;
}
