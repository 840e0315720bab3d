// The program's whole start, as a process: started on a demonstration site
// of ten stations and closed as soon as it is ready (QN3_QUIT_WHEN_READY),
// next to a baseline start on a site without a database, where the record
// files are neither looked for nor opened. The phases' times of the last
// start are printed from its trace log.
//
// The start's Database phase opens the site's record files in a process that
// has not opened them before. Its baseline is plain SQLite opening the same
// files in a process of its own (a child forked before it touches them):
// sqlite3_open_v2 read-write with the record manager's pragmas and its log
// kept beside the file, and one schema read each. Goal: the phase's mean
// over the starts within 1.5 times the plain opens.

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "plain_sqlite_open.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Site {
    QTemporaryDir prefix;
    QString program;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QN3_PREFIX"), prefix.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QN3_QUIT_WHEN_READY"), QStringLiteral("1"));
        // The site without a database is answered "No" to its question.
        env.insert(QStringLiteral("QN3_TEST_ANSWERS"), QStringLiteral("7"));
        return env;
    }

    QString log() const
    {
        QFile file(prefix.path() + QStringLiteral("/drive_c/AudioLog/Histo_QN3_Tools_Vandrel/")
                   + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".Log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
};

Site& demoSite()
{
    static Site site = [] {
        Site s;
        QProcess maker;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QN3_PREFIX"), s.prefix.path());
        maker.setProcessEnvironment(env);
        maker.start(QStringLiteral(QN3_MAKE_DEMO_SITE),
                    {QStringLiteral("--stations"), QStringLiteral("10"), QStringLiteral("--program"),
                     QStringLiteral(QN3_PROGRAM)});
        maker.waitForFinished(120000);
        s.program = s.prefix.path() + QStringLiteral("/drive_c/Sonvarek/Quillon/QN3_Tools_Vandrel");
        return s;
    }();
    return site;
}

Site& siteWithoutDatabase()
{
    static Site site = [] {
        Site s;
        const QString folder = s.prefix.path() + QStringLiteral("/drive_c/Programs");
        QDir().mkpath(folder);
        s.program = folder + QStringLiteral("/QN3_Tools_Vandrel");
        QFile::copy(QStringLiteral(QN3_PROGRAM), s.program);
        return s;
    }();
    return site;
}

void startUntilReady(benchmark::State& state, const Site& site)
{
    for (auto _ : state) {
        QProcess program;
        program.setProcessEnvironment(site.environment());
        program.setWorkingDirectory(QFileInfo(site.program).path());
        program.start(site.program, {});
        if (!program.waitForFinished(60000) || program.exitCode() != 0) {
            state.SkipWithError("the program did not end by itself once ready");
            return;
        }
    }
}

void BM_StartupTenStations(benchmark::State& state)
{
    startUntilReady(state, demoSite());
}
BENCHMARK(BM_StartupTenStations)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_Baseline(benchmark::State& state)
{
    startUntilReady(state, siteWithoutDatabase());
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Opens every record file of the demonstration site with plain SQLite, in a
// child process; the time the opens took there.
double plainOpeningSeconds(const QStringList& files)
{
    int ends[2] = {-1, -1};
    if (::pipe(ends) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        std::vector<sqlite3*> connections;
        const auto start = std::chrono::steady_clock::now();
        for (const QString& file : files) {
            sqlite3* db = nullptr;
            const bool read = openPlainly(QFile::encodeName(file).constData(), db);
            connections.push_back(db);
            if (!read)
                ::_exit(1);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (sqlite3* db : connections)
            sqlite3_close(db);
        (void)!::write(ends[1], &seconds, sizeof seconds);
        ::_exit(0);
    }
    ::close(ends[1]);
    double seconds = -1;
    if (::read(ends[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = -1;
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return seconds;
}

void BM_PlainSqliteOpeningInANewProcess(benchmark::State& state)
{
    const QStringList files =
        QDir(demoSite().prefix.path() + QStringLiteral("/drive_c/QN_Data"))
            .entryList({QStringLiteral("*.bt6")}, QDir::Files, QDir::Name)
            .replaceInStrings(QRegularExpression(QStringLiteral("^")),
                              demoSite().prefix.path() + QStringLiteral("/dosdevices/c:/QN_Data/"));
    for (auto _ : state) {
        const double seconds = plainOpeningSeconds(files);
        if (seconds < 0) {
            state.SkipWithError("a plain open failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_PlainSqliteOpeningInANewProcess)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

// The mean Database phase over every start of a site's log, in ms.
double meanDatabasePhase(const Site& site)
{
    static const QRegularExpression phase(QStringLiteral("Tools Vandrel: Init: Database: (\\d+) ms"));
    double total = 0;
    int starts = 0;
    for (auto match = phase.globalMatch(site.log()); match.hasNext(); ++starts)
        total += match.next().captured(1).toDouble();
    return starts ? total / starts : -1;
}

// The duration of each phase in the last start of a site's log.
void printPhases(const char* title, const Site& site)
{
    const QString log = site.log();
    const qsizetype lastStart = log.lastIndexOf(QStringLiteral("Tools Vandrel: Init: General"));
    static const QRegularExpression phase(QStringLiteral("(Tools Vandrel: Init: \\w+): (\\d+) ms"));
    std::printf("%s\n", title);
    for (auto match = phase.globalMatch(log, lastStart < 0 ? 0 : lastStart); match.hasNext();) {
        const auto m = match.next();
        std::printf("  %-40s %6s ms\n", qPrintable(m.captured(1)), qPrintable(m.captured(2)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_StartupTenStations", "BM_Baseline");
    printPhases("Phases of a start on ten stations:", demoSite());
    const auto plain = reporter.seconds().find("BM_PlainSqliteOpeningInANewProcess");
    const double database = meanDatabasePhase(demoSite());
    if (plain != reporter.seconds().end() && database > 0)
        std::printf("Database phase (mean of the starts): %.1f ms, plain SQLite opens in a new process: %.1f ms, "
                    "ratio %.2f (goal: at most 1.5)\n",
                    database, plain->second * 1000, database / (plain->second * 1000));
    printPhases("Phases of a start without a database:", siteWithoutDatabase());
    benchmark::Shutdown();
    return 0;
}
