#include "ratio_reporter.h"
#include "platform/ansi.h"
#include "platform/profile_text.h"
#include "platform/registry_hive.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

// Parsing settings files and hives of hostile shapes at 1 MB and at 8 MB: the
// time must grow with the size and no faster, so each 8 MB parse is printed
// against the 1 MB one of the same shape (a ratio near 8 is linear).

namespace {

constexpr int megabyte = 1 << 20;

// Short key lines in one section: the most entries a file can hold.
QByteArray iniText(int size) { return "[s]\n" + QByteArray("k=\n").repeated(size / 3); }

// Deep key paths of long names with a value each, then many short values.
QByteArray hiveText(int size)
{
    QByteArray text = "WINE REGISTRY Version 2\n";
    QByteArray path;
    for (int level = 1; level < 512; ++level)
        path += "\\\\" + QByteArray(255, 'n');
    for (int line = 0; text.size() < size / 2; ++line)
        text += "[" + QByteArray::number(line) + path + "]\n\"v\"=\"x\"\n";
    text += "[Flat]\n";
    for (int value = 0; text.size() < size; ++value)
        text += "\"" + QByteArray::number(value) + "\"=\"x\"\n";
    return text;
}

void parseIni(benchmark::State& state, int size)
{
    const QString text = qn3::platform::ansi::decode(iniText(size));
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::platform::profile_text::parse(text));
}

void parseHive(benchmark::State& state, int size)
{
    const QByteArray text = hiveText(size);
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::platform::registry_hive::parse(text));
}

void BM_IniParse1MB(benchmark::State& state) { parseIni(state, megabyte); }
void BM_IniParse8MB(benchmark::State& state) { parseIni(state, 8 * megabyte); }
void BM_HiveParse1MB(benchmark::State& state) { parseHive(state, megabyte); }
void BM_HiveParse8MB(benchmark::State& state) { parseHive(state, 8 * megabyte); }

BENCHMARK(BM_IniParse1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniParse8MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HiveParse1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HiveParse8MB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_IniParse8MB", "BM_IniParse1MB");
    reporter.printRatio("BM_HiveParse8MB", "BM_HiveParse1MB");
    benchmark::Shutdown();
    return 0;
}
