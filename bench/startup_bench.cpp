// The program's whole start, as a process: started on a demonstration site
// of ten stations and closed as soon as it is ready (QN3_QUIT_WHEN_READY),
// next to a baseline start on a site without a database, where the record
// files are neither looked for nor opened. The phases' times of the last
// start are printed from its trace log.

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

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
    printPhases("Phases of a start without a database:", siteWithoutDatabase());
    benchmark::Shutdown();
    return 0;
}
