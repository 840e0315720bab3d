// The record manager against raw SQLite doing the same work, in one run.
//
// Both sides use files of the same schema (made by the engine), filled with
// the same 100,000 records of 300 bytes with three keys: a unique one, one
// with duplicates (100 records per value) and a case-insensitive one. The raw
// side runs prepared statements with the engine's settings (64 MB page cache,
// synchronous NORMAL). Its reads take the columns the engine reads (the
// record and every stored key) inside one read transaction held for the
// whole run, as the engine keeps its read snapshot between calls; a walk is
// one open statement stepped row after row. Writes are each their own
// transaction on both sides. The table at the end gives microseconds per
// call and the ratio engine time / raw time (goal: at most 1.5). The update
// keeps every key, and the raw side writes the data alone: an update must
// not cost the rewriting of indexes whose key did not change.

#include "ratio_reporter.h"
#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

namespace rm = qn3::recordmanager;

constexpr int Records = 100000;
constexpr int RecordLength = 300;
constexpr int TransactionSize = 1000;

std::string recordOf(int i)
{
    std::string r(RecordLength, '.');
    char field[32];
    std::snprintf(field, sizeof field, "%08d", i < Records ? (i * 7919) % Records : i);
    r.replace(0, 8, field, 8);
    std::snprintf(field, sizeof field, "G%09d", i % 1000);
    r.replace(8, 10, field, 10);
    std::snprintf(field, sizeof field, "name%016d", i);
    r.replace(18, 20, field, 20);
    return r;
}

struct Block {
    Block() { bytes.fill(' '); }
    std::array<char, rm::PositionBlockSize> bytes;
};

int16_t call(uint16_t operation, Block& block, char* data, int16_t keyNumber, char* key)
{
    int32_t length = RecordLength;
    return BTRCALL(operation, block.bytes.data(), data, &length, key, 255, keyNumber);
}

// ---- the two files -------------------------------------------------------

struct Files {
    QTemporaryDir prefix;
    Block engine;
    sqlite3* raw = nullptr;

    static std::string path(const char* name) { return std::string("C:\\bench\\") + name + ".bt6 "; }

    void make(const char* name)
    {
        std::array<uint8_t, rm::CreationBufferSize> layout{};
        const auto put = [&](size_t at, uint16_t value) {
            layout[at] = static_cast<uint8_t>(value);
            layout[at + 1] = static_cast<uint8_t>(value >> 8);
        };
        put(0, RecordLength);
        put(2, 4096);
        put(4, 3);
        const uint16_t segments[3][3] = {{1, 8, 0}, {9, 10, 3}, {19, 20, 1024 | 2}};
        for (size_t s = 0; s < 3; ++s)
            for (size_t f = 0; f < 3; ++f)
                put(16 + 16 * s + 2 * f, segments[s][f]);
        std::string p = path(name);
        int32_t length = rm::CreationBufferSize;
        Block block;
        if (BTRCALL(rm::op::Create, block.bytes.data(), layout.data(), &length, p.data(), int16_t(p.size()), 0) != 0)
            std::abort();
        p.resize(255, ' ');
        if (BTRCALL(rm::op::Open, block.bytes.data(), nullptr, &length, p.data(), 255, 0) != 0)
            std::abort();
        char key[255];
        BTRCALL(rm::op::BeginTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
        for (int i = 0; i < Records; ++i) {
            std::string r = recordOf(i);
            if (call(rm::op::Insert, block, r.data(), 0, key) != 0)
                std::abort();
        }
        BTRCALL(rm::op::EndTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
        BTRCALL(rm::op::Close, block.bytes.data(), nullptr, nullptr, nullptr, 0, 0);
    }

    Files()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        QDir().mkpath(prefix.path() + "/drive_c/bench");
        make("engine");
        make("raw");
        std::string p = path("engine");
        p.resize(255, ' ');
        int32_t length = 0;
        if (BTRCALL(rm::op::Open, engine.bytes.data(), nullptr, &length, p.data(), 255, 0) != 0)
            std::abort();
        const std::string rawPath = (prefix.path() + "/drive_c/bench/raw.bt6").toStdString();
        sqlite3_open_v2(rawPath.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        sqlite3_busy_timeout(raw, 200);
        sqlite3_exec(raw, "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536; PRAGMA journal_size_limit = 4194304",
                     nullptr, nullptr, nullptr);
        warmUp();
    }

    // Both sides start with their page caches full, whichever runs first.
    void warmUp()
    {
        char data[RecordLength], key[255];
        for (int16_t k = 0; k < 2; ++k)
            for (int16_t s = call(rm::op::GetFirst, engine, data, k, key); s == 0;
                 s = call(rm::op::GetNext, engine, data, k, key)) {
            }
        sqlite3_exec(raw, "SELECT sum(length(data)) FROM records INDEXED BY key0 WHERE k0 > x'';"
                          "SELECT sum(length(data)) FROM records INDEXED BY key1 WHERE k1 > x''",
                     nullptr, nullptr, nullptr);
    }
};

Files& files()
{
    static Files instance;
    return instance;
}

// ---- the raw side --------------------------------------------------------

struct Statement {
    Statement(const std::string& sql)
    {
        sqlite3_prepare_v3(files().raw, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
        if (!s)
            std::abort();
    }
    ~Statement() { sqlite3_finalize(s); }
    sqlite3_stmt* s = nullptr;
};

// The columns a read of the engine takes: the record and every stored key.
const std::string RowColumns = "SELECT id, version, data, k0, k1, k2 FROM records ";

// One read transaction for a whole benchmark, as the engine keeps its read
// snapshot while nobody commits.
struct HeldRead {
    HeldRead() { sqlite3_exec(files().raw, "BEGIN", nullptr, nullptr, nullptr); }
    ~HeldRead() { sqlite3_exec(files().raw, "COMMIT", nullptr, nullptr, nullptr); }
};

// Takes the row under `s` into `data`, its stored keys read as well.
void takeRow(sqlite3_stmt* s, char* data, int64_t& id, int64_t& version)
{
    id = sqlite3_column_int64(s, 0);
    version = sqlite3_column_int64(s, 1);
    std::memcpy(data, sqlite3_column_blob(s, 2), RecordLength);
    for (int k = 3; k < 6; ++k)
        benchmark::DoNotOptimize(sqlite3_column_blob(s, k));
}

// Reads one row into `data` and resets, as the engine does per call.
bool rawRow(sqlite3_stmt* s, char* data, int64_t& id, int64_t& version)
{
    const bool found = sqlite3_step(s) == SQLITE_ROW;
    if (found)
        takeRow(s, data, id, version);
    sqlite3_reset(s);
    return found;
}

void bindKeys(sqlite3_stmt* s, const char* record, std::string& upper, int first)
{
    sqlite3_bind_blob(s, first, record, 8, SQLITE_STATIC);
    sqlite3_bind_blob(s, first + 1, record + 8, 10, SQLITE_STATIC);
    upper.assign(record + 18, 20);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    sqlite3_bind_blob(s, first + 2, upper.data(), 20, SQLITE_STATIC);
}

// ---- benchmarks ----------------------------------------------------------

void GetEqual_engine(benchmark::State& state)
{
    Files& f = files();
    char data[RecordLength], key[255];
    int i = 0;
    for (auto _ : state) {
        std::snprintf(key, sizeof key, "%08d", (i++ * 104729) % Records);
        if (call(rm::op::GetEqual, f.engine, data, 0, key) != 0)
            state.SkipWithError("not found");
    }
    state.SetItemsProcessed(state.iterations());
}

void GetEqual_raw(benchmark::State& state)
{
    Statement q(RowColumns + "WHERE k0 = ?1 ORDER BY id LIMIT 1");
    HeldRead read;
    char data[RecordLength], key[255];
    int64_t id, version;
    int i = 0;
    for (auto _ : state) {
        std::snprintf(key, sizeof key, "%08d", (i++ * 104729) % Records);
        sqlite3_bind_blob(q.s, 1, key, 8, SQLITE_STATIC);
        if (!rawRow(q.s, data, id, version))
            state.SkipWithError("not found");
    }
    state.SetItemsProcessed(state.iterations());
}

// A full scan along the key with duplicates, one Get Next per iteration.
void GetNextScan_engine(benchmark::State& state)
{
    Files& f = files();
    char data[RecordLength], key[255];
    call(rm::op::GetFirst, f.engine, data, 1, key);
    for (auto _ : state) {
        if (call(rm::op::GetNext, f.engine, data, 1, key) != 0)
            call(rm::op::GetFirst, f.engine, data, 1, key);
    }
    state.SetItemsProcessed(state.iterations());
}

// The same walk as one statement stepped from row to row.
void GetNextScan_raw(benchmark::State& state)
{
    Statement walk(RowColumns + "ORDER BY k1, id");
    HeldRead read;
    char data[RecordLength];
    int64_t id = 0, version;
    sqlite3_step(walk.s);
    for (auto _ : state) {
        if (sqlite3_step(walk.s) != SQLITE_ROW) {
            sqlite3_reset(walk.s);
            sqlite3_step(walk.s);
        }
        takeRow(walk.s, data, id, version);
    }
    sqlite3_reset(walk.s);
    state.SetItemsProcessed(state.iterations());
}

void insertEngine(benchmark::State& state, bool transaction)
{
    Files& f = files();
    static int next = 2 * Records;
    char key[255];
    int inBatch = 0;
    if (transaction)
        BTRCALL(rm::op::BeginTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
    for (auto _ : state) {
        std::string r = recordOf(next++);
        if (call(rm::op::Insert, f.engine, r.data(), 0, key) != 0)
            state.SkipWithError("insert");
        if (transaction && ++inBatch == TransactionSize) {
            BTRCALL(rm::op::EndTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
            BTRCALL(rm::op::BeginTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
            inBatch = 0;
        }
    }
    if (transaction)
        BTRCALL(rm::op::EndTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
    state.SetItemsProcessed(state.iterations());
}

void insertRaw(benchmark::State& state, bool transaction)
{
    Statement insert("INSERT INTO records(version, data, k0, k1, k2) VALUES (1, ?1, ?2, ?3, ?4)");
    Statement begin("BEGIN IMMEDIATE");
    Statement commit("COMMIT");
    static int next = 2 * Records;
    std::string upper;
    int inBatch = 0;
    const auto step = [](sqlite3_stmt* s) {
        sqlite3_step(s);
        sqlite3_reset(s);
    };
    if (transaction)
        step(begin.s);
    for (auto _ : state) {
        std::string r = recordOf(next++);
        sqlite3_bind_blob(insert.s, 1, r.data(), RecordLength, SQLITE_STATIC);
        bindKeys(insert.s, r.data(), upper, 2);
        if (sqlite3_step(insert.s) != SQLITE_DONE)
            state.SkipWithError("insert");
        sqlite3_reset(insert.s);
        if (transaction && ++inBatch == TransactionSize) {
            step(commit.s);
            step(begin.s);
            inBatch = 0;
        }
    }
    if (transaction)
        step(commit.s);
    state.SetItemsProcessed(state.iterations());
}

void Insert_engine(benchmark::State& state) { insertEngine(state, false); }
void Insert_raw(benchmark::State& state) { insertRaw(state, false); }
void InsertInTransaction_engine(benchmark::State& state) { insertEngine(state, true); }
void InsertInTransaction_raw(benchmark::State& state) { insertRaw(state, true); }

// Rewrites the current record again and again (the cursor stays on it).
void Update_engine(benchmark::State& state)
{
    Files& f = files();
    char data[RecordLength], key[255] = "00004242";
    call(rm::op::GetEqual, f.engine, data, 0, key);
    int i = 0;
    for (auto _ : state) {
        data[299] = static_cast<char>('a' + i++ % 26);
        if (call(rm::op::Update, f.engine, data, 0, key) != 0)
            state.SkipWithError("update");
    }
    state.SetItemsProcessed(state.iterations());
}

void Update_raw(benchmark::State& state)
{
    Statement read("SELECT id, version, data FROM records WHERE k0 = ?1 ORDER BY id LIMIT 1");
    Statement update("UPDATE records SET version = version + 1, data = ?1 WHERE id = ?2 AND version = ?3");
    char data[RecordLength];
    int64_t id, version;
    sqlite3_bind_blob(read.s, 1, "00004242", 8, SQLITE_STATIC);
    rawRow(read.s, data, id, version);
    int i = 0;
    for (auto _ : state) {
        data[299] = static_cast<char>('a' + i++ % 26);
        sqlite3_bind_blob(update.s, 1, data, RecordLength, SQLITE_STATIC);
        sqlite3_bind_int64(update.s, 2, id);
        sqlite3_bind_int64(update.s, 3, version);
        if (sqlite3_step(update.s) != SQLITE_DONE || sqlite3_changes(files().raw) != 1)
            state.SkipWithError("update");
        sqlite3_reset(update.s);
        ++version;
    }
    state.SetItemsProcessed(state.iterations());
}

// Reads are short: each side keeps its best of five runs.
BENCHMARK(GetEqual_engine)->Repetitions(5);
BENCHMARK(GetEqual_raw)->Repetitions(5);
BENCHMARK(GetNextScan_engine)->Repetitions(5);
BENCHMARK(GetNextScan_raw)->Repetitions(5);
BENCHMARK(Insert_engine);
BENCHMARK(Insert_raw);
BENCHMARK(InsertInTransaction_engine);
BENCHMARK(InsertInTransaction_raw);
BENCHMARK(Update_engine);
BENCHMARK(Update_raw);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    files();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-22s %14s %14s %8s\n", "operation", "engine us/call", "raw us/call", "ratio");
    for (const auto& [name, engineTime] : reporter.seconds()) {
        const auto cut = name.rfind("_engine");
        if (cut == std::string::npos)
            continue;
        const std::string operation = name.substr(0, cut);
        const auto raw = reporter.seconds().find(operation + "_raw");
        if (raw == reporter.seconds().end())
            continue;
        std::printf("%-22s %14.2f %14.2f %8.2f%s\n", operation.c_str(), engineTime * 1e6, raw->second * 1e6,
                    engineTime / raw->second, engineTime / raw->second > 1.5 ? "  above the 1.5 goal" : "");
    }
    benchmark::Shutdown();
    return 0;
}
