// The opening of a base of 10 stations as the start-up does it (every file
// it marks: 210 opens of 120 files through BTr_Ouverture), against plain
// SQLite opening the same 120 files in the same order: sqlite3_open_v2
// read-write, the pragmas the record manager sets, the log kept beside the
// file, and one schema read (the file's layout row). Both sides close
// outside the timing, so each opens files that nobody holds open, their log
// and its index lying beside them. Goal: the opening within 1.5 times the
// plain opens. The cold opens do the same on files without a log or index
// beside them yet (as after a copy of the files, or their first open), both
// sides then making them.

#include "database/call_block.h"
#include "database/catalogue.h"
#include "demo_site.h"
#include "plain_sqlite_open.h"
#include "platform/windows_path.h"
#include "ratio_reporter.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace qn3::database;
namespace services = qn3::services;

constexpr int kStationsOfSite = 10;

struct Site {
    QTemporaryDir prefix;
    std::vector<std::string> hostPaths;  // each file once, in the opening's order

    Site()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        services::RepConfig[0] = QStringLiteral("C:\\Site\\Config\\");
        services::RepBtr[0] = QStringLiteral("C:\\Site\\Data\\");
        if (!qn3::testing::GenerateSite(0, kStationsOfSite)) {
            std::fprintf(stderr, "the site could not be generated\n");
            std::exit(1);
        }
        qn3::testing::MarkStartupFiles(0, kStationsOfSite);
        std::set<std::string> seen;
        for (int f : qn3::testing::kStartupFiles) {
            for (int s = 1; s <= kStationsOfSite; ++s) {
                const QString name = NomFichierBTR(static_cast<int16_t>(f), static_cast<int16_t>(s - 1));
                const std::string host =
                    QFile::encodeName(qn3::platform::paths::toHost(services::RepBtr[0] + name)).toStdString();
                if (seen.insert(host).second)
                    hostPaths.push_back(host);
            }
        }
        // Both sides start from files that have been opened before, as at
        // every start but the first.
        qn3::testing::OpenStartupFiles(0);
        qn3::testing::CloseOpenedFiles(0);
    }
};

Site& site()
{
    static Site s;
    return s;
}

// SQLite's own "open" system call, taken (at the first call, in main)
// before the record manager replaces it with the judged open for the whole
// process: the plain opens use it.
sqlite3_syscall_ptr plainOpen()
{
    static const sqlite3_syscall_ptr own = [] {
        sqlite3_vfs* unixVfs = sqlite3_vfs_find("unix");
        return unixVfs->xGetSystemCall(unixVfs, "open");
    }();
    return own;
}

// Puts SQLite's own open back for the plain opens while they run.
class PlainOpens {
public:
    PlainOpens() : unixVfs_(sqlite3_vfs_find("unix")), judged_(unixVfs_->xGetSystemCall(unixVfs_, "open"))
    {
        unixVfs_->xSetSystemCall(unixVfs_, "open", plainOpen());
    }
    ~PlainOpens() { unixVfs_->xSetSystemCall(unixVfs_, "open", judged_); }

private:
    sqlite3_vfs* unixVfs_;
    sqlite3_syscall_ptr judged_;
};

// Takes away the log and index of every file, outside the timing.
void removeCompanions(benchmark::State& state)
{
    state.PauseTiming();
    for (const std::string& path : site().hostPaths)
        for (const char* suffix : {"-wal", "-shm"})
            ::unlink((path + suffix).c_str());
    state.ResumeTiming();
}

void openThroughDatabase(benchmark::State& state, bool cold)
{
    site();
    for (auto _ : state) {
        if (cold)
            removeCompanions(state);
        if (!qn3::testing::OpenStartupFiles(0))
            state.SkipWithError("opening failed");
        state.PauseTiming();
        qn3::testing::CloseOpenedFiles(0);
        state.ResumeTiming();
    }
}

void openThroughSqlite(benchmark::State& state, bool cold)
{
    const Site& s = site();
    const PlainOpens plain;
    std::vector<sqlite3*> connections(s.hostPaths.size(), nullptr);
    for (auto _ : state) {
        if (cold)
            removeCompanions(state);
        for (size_t i = 0; i < s.hostPaths.size(); ++i) {
            if (!openPlainly(s.hostPaths[i].c_str(), connections[i]))
                state.SkipWithError("plain open failed");
        }
        state.PauseTiming();
        for (sqlite3*& db : connections) {
            sqlite3_close(db);
            db = nullptr;
        }
        state.ResumeTiming();
    }
}

void Opening_database(benchmark::State& state) { openThroughDatabase(state, false); }
void Opening_sqlite(benchmark::State& state) { openThroughSqlite(state, false); }
void Opening_database_cold(benchmark::State& state) { openThroughDatabase(state, true); }
void Opening_sqlite_cold(benchmark::State& state) { openThroughSqlite(state, true); }

BENCHMARK(Opening_database)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Opening_sqlite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Opening_database_cold)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Opening_sqlite_cold)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    plainOpen();
    site();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.printRatio("Opening_database", "Opening_sqlite");
    reporter.printRatio("Opening_database_cold", "Opening_sqlite_cold");
    std::printf("(goal: ratio at most 1.5; %zu files, %d stations)\n", site().hostPaths.size(), kStationsOfSite);
    benchmark::Shutdown();
    return 0;
}
