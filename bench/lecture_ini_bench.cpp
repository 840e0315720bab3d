#include "platform/windows_path.h"
#include "services/ini_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

// LectureIni of one key in a 500-line settings file, against reading the same
// file into memory in the same run (the least a read that must notice another
// process's write could do without trusting a cache). Goal: at least 100,000
// reads per second. The figures and their ratio are printed at the end.

namespace {

struct Setup {
    QTemporaryDir prefix;
    QString host;
    const QString ini = QStringLiteral("C:\\Config\\QN3_Tools_Vandrel_Serveur.ini");

    Setup()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        host = qn3::platform::paths::toHost(ini);
        QDir().mkpath(QFileInfo(host).absolutePath());
        QByteArray text;
        for (int section = 0; section < 25; ++section) {
            text += "[Section" + QByteArray::number(section) + "]\r\n";
            for (int key = 0; key < 19; ++key)
                text += "Key" + QByteArray::number(key) + "=Value of key " + QByteArray::number(key) + "\r\n";
        }
        QFile file(host);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(host));
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

double readsPerSecond = 0;
double baselinePerSecond = 0;

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
        if (file.open(QIODevice::ReadOnly))
            benchmark::DoNotOptimize(file.readAll());
    });
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
