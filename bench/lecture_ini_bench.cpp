#include "ini_bench_file.h"
#include "services/ini_access.h"

#include <benchmark/benchmark.h>

#include <cstdio>

// LectureIni of one key in a 500-line settings file, against reading the same
// file into memory in the same run (the least a read that must notice another
// process's write could do without trusting a cache). Goal: at least 100,000
// reads per second. The figures and their ratio are printed at the end.

namespace {

using qn3::bench::perSecond;

qn3::bench::IniBenchFile& setup()
{
    static qn3::bench::IniBenchFile instance(QStringLiteral("C:\\Config\\QN3_Tools_Vandrel_Serveur.ini"));
    return instance;
}

double readsPerSecond = 0;
double baselinePerSecond = 0;

void BM_ReadFileIntoMemory(benchmark::State& state)
{
    baselinePerSecond = perSecond(state, [] { setup().readWhole(); });
}

void BM_LectureIni(benchmark::State& state)
{
    const QString section = QStringLiteral("Section20");
    const QString key = QStringLiteral("Key17");
    const QString fallback;
    readsPerSecond = perSecond(state, [&] {
        benchmark::DoNotOptimize(qn3::services::LectureIni(setup().ini, section, key, fallback));
    });
}

BENCHMARK(BM_ReadFileIntoMemory)->MinTime(0.5);
BENCHMARK(BM_LectureIni)->MinTime(0.5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (baselinePerSecond > 0)
        std::printf("LectureIni reads/s: %.0f (goal >= 100000); whole-file reads/s: %.0f; ratio %.2f\n", readsPerSecond,
                    baselinePerSecond, readsPerSecond / baselinePerSecond);
    return 0;
}
