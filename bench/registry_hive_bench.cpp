#include "ratio_reporter.h"
#include "platform/registry_hive.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// A deeply nested hive, each line a new chain of 512 one-letter keys (three
// bytes of the file per key), parsed at 1 MB and at 8 MB: the time per MB must
// not grow with the size (the 8 MB parse against the 1 MB one: a ratio near
// 8 is linear), and the memory a parse takes is printed as a multiple of the
// file's size.

namespace {

constexpr int megabyte = 1 << 20;

QByteArray deepHive(int size)
{
    QByteArray text = "WINE REGISTRY Version 2\n";
    const QByteArray chain = QByteArray("\\\\a").repeated(511);
    for (int line = 0; text.size() < size; ++line)
        text += "[" + QByteArray::number(line, 36) + chain + "]\n";
    return text;
}

void parseDeep(benchmark::State& state, int size)
{
    const QByteArray text = deepHive(size);
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::platform::registry_hive::parse(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}

void BM_HiveDeep1MB(benchmark::State& state) { parseDeep(state, megabyte); }
void BM_HiveDeep8MB(benchmark::State& state) { parseDeep(state, 8 * megabyte); }

BENCHMARK(BM_HiveDeep1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HiveDeep8MB)->Unit(benchmark::kMillisecond);

long kilobytes(const char* field)
{
    long value = -1;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (value < 0 && std::fgets(line, sizeof line, status))
            std::sscanf(line, (std::string(field) + ": %ld kB").c_str(), &value);
        std::fclose(status);
    }
    return value;
}

// The peak memory a parse adds to its process, over the file's size; in a
// child process of its own so that nothing measured before counts.
void printMemory(int size)
{
    const QByteArray text = deepHive(size);
    int ratio[2];
    if (::pipe(ratio) != 0)
        return;
    const pid_t child = ::fork();
    if (child == 0) {
        const long before = kilobytes("VmRSS");
        const auto hive = qn3::platform::registry_hive::parse(text);
        benchmark::DoNotOptimize(hive);
        const double multiple = double(kilobytes("VmHWM") - before) * 1024 / text.size();
        (void)!::write(ratio[1], &multiple, sizeof multiple);
        ::_exit(0);
    }
    double multiple = 0;
    ::close(ratio[1]);
    const bool read = ::read(ratio[0], &multiple, sizeof multiple) == sizeof multiple;
    ::close(ratio[0]);
    ::waitpid(child, nullptr, 0);
    if (read)
        std::printf("Deep hive of %d MB: a parse takes %.1f times the file's size in memory\n", size / megabyte,
                    multiple);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // First, while the heap holds nothing the benchmarks freed.
    printMemory(megabyte);
    printMemory(8 * megabyte);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_HiveDeep8MB", "BM_HiveDeep1MB");
    benchmark::Shutdown();
    return 0;
}
