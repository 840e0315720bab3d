#include "ratio_reporter.h"
#include "platform/windows_path.h"
#include "services/file_search.h"
#include "services/window_members.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

using namespace qn3;

// A recursive RechercheFichier over 100,000 files in 1,000 folders, against a
// bare std::filesystem walk of the same tree in the same run (goal: within
// 1.5 times). The tree is made once; the ratio is printed at the end.

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

struct Tree {
    QTemporaryDir prefix;
    QString hostRoot;
    const QString windowsRoot = QStringLiteral("C:\\Tree\\");

    Tree()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        platform::paths::toHost(u"C:\\");
        hostRoot = prefix.path() + QStringLiteral("/drive_c/Tree");
        // Ten top folders of a hundred sub-folders: two levels, as the
        // station's sound folders are laid out.
        for (int folder = 0; folder < kFolders; ++folder) {
            const QString path = hostRoot + QStringLiteral("/Top%1/Sub%2").arg(folder / 100).arg(folder);
            QDir().mkpath(path);
            for (int file = 0; file < kFilesPerFolder; ++file) {
                QFile f(path + QStringLiteral("/MES%1.mp3").arg(file, 6, 10, QLatin1Char('0')));
                f.open(QIODevice::WriteOnly);
            }
        }
    }
};

Tree& tree()
{
    static Tree instance;
    return instance;
}

void BM_FilesystemWalk(benchmark::State& state)
{
    const std::filesystem::path root = tree().hostRoot.toStdString();
    for (auto _ : state) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_directory())
                files.push_back(entry.path().string());
        }
        if (files.size() != size_t(kFolders) * kFilesPerFolder)
            state.SkipWithError("the walk missed files");
        benchmark::DoNotOptimize(files);
    }
}

void BM_RechercheFichier(benchmark::State& state)
{
    services::ListBox files;
    services::ListBox folders;
    for (auto _ : state) {
        services::RechercheFichier(tree().windowsRoot, QStringLiteral("*.*"), true, files, folders, false);
        if (files.ListCount() != kFolders * kFilesPerFolder)
            state.SkipWithError("the search missed files");
    }
}

void BM_RechercheFichierFiltered(benchmark::State& state)
{
    services::ListBox files;
    services::ListBox folders;
    for (auto _ : state) {
        services::RechercheFichier(tree().windowsRoot, QStringLiteral("MES00001*.mp3"), true, files, folders, false);
        if (files.ListCount() != kFolders * 10)
            state.SkipWithError("the filter kept the wrong files");
    }
}

BENCHMARK(BM_FilesystemWalk)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RechercheFichier)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RechercheFichierFiltered)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    // The search lets the window messages run: give it an event loop to pump.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    tree();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Goal: the plain search within 1.5 times the bare walk.
    reporter.printRatio("BM_RechercheFichier", "BM_FilesystemWalk");
    reporter.printRatio("BM_RechercheFichierFiltered", "BM_FilesystemWalk");
    benchmark::Shutdown();
    return 0;
}
