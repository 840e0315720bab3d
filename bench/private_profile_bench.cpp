#include "platform/private_profile.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace qn3::platform;

// LectureIni-style reads of one key in a 500-line file, against reading the
// same file into memory (the least any read that notices outside changes
// could do without a cache). The ratio is printed at the end.

namespace {

struct Setup {
    QTemporaryDir prefix;
    QString host;
    const QString ini = QStringLiteral("C:\\bench\\settings.ini");

    Setup()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        paths::toHost(u"C:\\");
        QDir(prefix.path()).mkpath(QStringLiteral("drive_c/bench"));
        host = prefix.path() + QStringLiteral("/drive_c/bench/settings.ini");
        QByteArray text;
        for (int section = 0; section < 25; ++section) {
            text += "[Section" + QByteArray::number(section) + "]\r\n";
            for (int key = 0; key < 19; ++key)
                text += "Key" + QByteArray::number(key) + "=Value of key " + QByteArray::number(key) + "\r\n";
        }
        QFile file(host);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

double readsPerSecond = 0;
double baselinePerSecond = 0;

// Runs `body` for the benchmark's iterations and gives the rate achieved.
template <class Body>
double perSecond(benchmark::State& state, Body body)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        body();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() > 0 ? static_cast<double>(state.iterations()) / elapsed.count() : 0;
}

void BM_ReadFileIntoMemory(benchmark::State& state)
{
    baselinePerSecond = perSecond(state, [] {
        QFile file(setup().host);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    });
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
