#include "ini_bench_file.h"
#include "platform/private_profile.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace qn3::platform;

// LectureIni-style reads of one key in a 500-line file, against reading the
// same file into memory (the least any read that notices outside changes
// could do without a cache). The ratio is printed at the end.

namespace {

using qn3::bench::perSecond;

qn3::bench::IniBenchFile& setup()
{
    static qn3::bench::IniBenchFile instance(QStringLiteral("C:\\bench\\settings.ini"));
    return instance;
}

double readsPerSecond = 0;
double baselinePerSecond = 0;

void BM_ReadFileIntoMemory(benchmark::State& state)
{
    baselinePerSecond = perSecond(state, [] { setup().readWhole(); });
}

void BM_ReadOneKey(benchmark::State& state)
{
    PrivateProfile& profile = PrivateProfile::standard();
    readsPerSecond = perSecond(state, [&] {
        benchmark::DoNotOptimize(profile.readString(setup().ini, u"Section20", u"Key17", u"", 255));
    });
}

BENCHMARK(BM_ReadFileIntoMemory)->MinTime(0.5);
BENCHMARK(BM_ReadOneKey)->MinTime(0.5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (baselinePerSecond > 0)
        std::printf("profile reads/s: %.0f (goal >= 100000); whole-file reads/s: %.0f; ratio %.2f\n", readsPerSecond,
                    baselinePerSecond, readsPerSecond / baselinePerSecond);
    return 0;
}
