// TraceLog amortised over many lines, its 200-line batch writes included,
// next to a baseline doing the least the same output needs: format the same
// lines and append them to a file with one write per batch.

#include "platform/ansi.h"
#include "platform/windows_path.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ratio_reporter.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace qn3;

const QString kText = QStringLiteral("Import: MES001234.mp3 -> PUB00042.s48 (3 stations)");

struct Setup {
    QTemporaryDir prefix;
    Setup()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        services::RepLogs = QStringLiteral("C:\\Logs\\");
        QDir().mkpath(platform::paths::toHost(services::RepLogs));
        services::SetupCharge = true;
    }
};

void BM_TraceLog(benchmark::State& state)
{
    static Setup setup;
    for (auto _ : state)
        services::TraceLog(0, 1, 10, kText, false, true);
    services::TraceLogForce();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TraceLog);

// The same line by hand: time with milliseconds, columns, text; ANSI once
// per batch; one open, write and close per 200 lines.
void BM_Baseline(benchmark::State& state)
{
    static Setup setup;
    const QByteArray path = QFile::encodeName(platform::paths::toHost(QStringLiteral("C:\\Logs\\baseline.Log")));
    QStringList batch;
    auto flush = [&] {
        QByteArray bytes;
        for (const QString& line : batch) {
            bytes += platform::ansi::encode(line);
            bytes += "\r\n";
        }
        const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (::write(fd, bytes.constData(), bytes.size()) < 0)
            std::perror("write");
        ::close(fd);
        batch.clear();
    };
    for (auto _ : state) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        tm fields{};
        localtime_r(&now.tv_sec, &fields);
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d:%03ld :0:1:A:", fields.tm_hour, fields.tm_min, fields.tm_sec,
                      now.tv_nsec / 1000000);
        batch.append(QLatin1String(prefix) + kText);
        if (batch.size() >= services::kBatchLines)
            flush();
    }
    flush();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Baseline);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Goal: at least 500,000 lines per second and a ratio of at most 3.
    reporter.printRatio("BM_TraceLog", "BM_Baseline");
    benchmark::Shutdown();
    return 0;
}
