#include "platform/directory_listing.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

// The Windows-path layer against the bare host calls it wraps, in one run:
// - toHost of an existing five-level path (warm cache) vs one stat() of it;
// - listing 1,000 folders of 100 files vs a std::filesystem walk collecting
//   each name and its folder flag.

namespace {

constexpr int folderCount = 1000;
constexpr int filesPerFolder = 100;

// One prefix for the whole run, with the tree below C:\Tree.
struct Tree {
    QTemporaryDir dir;
    QString driveC;
    Tree()
    {
        qputenv("QN3_PREFIX", QFile::encodeName(dir.path()));
        qn3::platform::paths::toHost(u"C:\\");
        driveC = dir.path() + QStringLiteral("/drive_c");
        QDir().mkpath(driveC + QStringLiteral("/Level1/Level2/Level3/Level4"));
        QFile(driveC + QStringLiteral("/Level1/Level2/Level3/Level4/File.txt")).open(QIODevice::WriteOnly);
        for (int f = 0; f < folderCount; ++f) {
            const QString folder = driveC + QStringLiteral("/Tree/Folder%1").arg(f);
            QDir().mkpath(folder);
            for (int i = 0; i < filesPerFolder; ++i)
                QFile(folder + QStringLiteral("/Sound_%1.wav").arg(i)).open(QIODevice::WriteOnly);
        }
    }
};

Tree& tree()
{
    static Tree instance;
    return instance;
}

void BM_StatBaseline(benchmark::State& state)
{
    const std::string host = (tree().driveC + QStringLiteral("/Level1/Level2/Level3/Level4/File.txt")).toStdString();
    struct stat st;
    for (auto _ : state)
        benchmark::DoNotOptimize(::stat(host.c_str(), &st));
}
BENCHMARK(BM_StatBaseline);

void BM_ToHostExactCase(benchmark::State& state)
{
    tree();
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::platform::paths::toHost(u"C:\\Level1\\Level2\\Level3\\Level4\\File.txt"));
}
BENCHMARK(BM_ToHostExactCase);

void BM_ToHostOtherCase(benchmark::State& state)
{
    tree();
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::platform::paths::toHost(u"c:\\LEVEL1\\level2\\LEVEL3\\level4\\FILE.TXT"));
}
BENCHMARK(BM_ToHostOtherCase);

void BM_FilesystemWalkBaseline(benchmark::State& state)
{
    const std::filesystem::path root = (tree().driveC + QStringLiteral("/Tree")).toStdString();
    for (auto _ : state) {
        size_t count = 0;
        for (int f = 0; f < folderCount; ++f) {
            std::vector<std::pair<std::string, bool>> entries;
            for (const auto& entry : std::filesystem::directory_iterator(root / ("Folder" + std::to_string(f))))
                entries.emplace_back(entry.path().filename().string(), entry.is_directory());
            count += entries.size();
        }
        benchmark::DoNotOptimize(count);
    }
    state.counters["entries"] = folderCount * filesPerFolder;
}
BENCHMARK(BM_FilesystemWalkBaseline)->Unit(benchmark::kMillisecond);

void BM_ListDirectory(benchmark::State& state)
{
    tree();
    for (auto _ : state) {
        qsizetype count = 0;
        for (int f = 0; f < folderCount; ++f)
            count += qn3::platform::listDirectory(QStringLiteral("C:\\Tree\\Folder%1\\*.*").arg(f)).size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["entries"] = folderCount * filesPerFolder;
}
BENCHMARK(BM_ListDirectory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
