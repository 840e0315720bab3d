// The log viewer's open-file dialog on big folders (10,000 day-named logs,
// 10,000 folders), against a plain list of the same names in the same run:
// the folder listed as the dialog lists it, a QListWidget laid out as the
// dialog's (list mode, columns, uniform item sizes) with one shared icon, in
// a window of the same size. Each side builds its window on the folder and
// paints it once. Before the timings, the memory an entry costs: each side
// built once in a fresh child process, after a first build on an empty
// folder has paid what any window costs; the heap held and the growth of
// the resident set, over the entries, each with its ratio to the plain list.

#include "platform/directory_listing.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"
#include "ratio_reporter.h"
#include "support/memory_bound.h"
#include "windows/file_open_dialog.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QStyle>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kEntries = 10'000;
const QString kFilter = QStringLiteral("Logs|*.log");

// One prefix for the whole run: C:\Logs holds 10,000 day-named logs,
// C:\Dossiers 10,000 folders, C:\Vide nothing.
struct Folders {
    QTemporaryDir dir;
    Folders()
    {
        qputenv("QN3_PREFIX", QFile::encodeName(dir.path()));
        qn3::platform::paths::toHost(u"C:\\");
        const QString driveC = dir.path() + QStringLiteral("/drive_c");
        QDir().mkpath(driveC + QStringLiteral("/Vide"));
        QDir().mkpath(driveC + QStringLiteral("/Logs"));
        const QDate first(1999, 1, 1);
        for (int day = 0; day < kEntries; ++day) {
            QFile log(
                driveC + QStringLiteral("/Logs/") + first.addDays(day).toString(u"yyyyMMdd") + QStringLiteral(".Log"));
            if (!log.open(QIODevice::WriteOnly))
                std::exit(1);
            QDir().mkpath(driveC + QStringLiteral("/Dossiers/Dossier%1").arg(day, 5, 10, QChar(u'0')));
        }
    }
};

Folders& folders()
{
    static Folders instance;
    return instance;
}

// The dialog as the log viewer opens it on `folder`.
std::unique_ptr<QWidget> dialogOn(const QString& folder)
{
    return std::make_unique<qn3::windows::FileOpenDialog>(
        nullptr, qn3::services::OpenFileRequest {{}, folder, kFilter, folder + QStringLiteral("20240305.Log")});
}

// The plain list of what the dialog shows in `folder`: its folders, then
// its files the filter keeps, dot names left out, one icon a kind.
std::unique_ptr<QWidget> plainListOn(const QString& folder)
{
    auto list = std::make_unique<QListWidget>();
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setUniformItemSizes(true);
    const QIcon folderIcon = list->style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = list->style()->standardIcon(QStyle::SP_FileIcon);
    const qn3::platform::wildcard::Pattern logs(u"*.log");
    const QList<qn3::platform::DirectoryEntry> entries = qn3::platform::listDirectory(folder);
    for (const bool folders : {true, false})
        for (const qn3::platform::DirectoryEntry& entry : entries)
            if (entry.isFolder == folders && !entry.name.startsWith(u'.') && (folders || logs.matches(entry.name)))
                new QListWidgetItem(folders ? folderIcon : fileIcon, entry.name, list.get());
    return list;
}

using Build = std::unique_ptr<QWidget> (*)(const QString&);

// Builds the window, paints it once at the dialog's size, and closes it.
void buildAndPaint(benchmark::State& state, Build build, const QString& folder)
{
    folders();
    for (auto _ : state) {
        const std::unique_ptr<QWidget> window = build(folder);
        window->resize(540, 360);
        benchmark::DoNotOptimize(window->grab());
    }
    state.counters["entries"] = kEntries;
}

void BM_DialogLogs(benchmark::State& state) { buildAndPaint(state, dialogOn, QStringLiteral("C:\\Logs\\")); }
void BM_PlainListLogs(benchmark::State& state) { buildAndPaint(state, plainListOn, QStringLiteral("C:\\Logs\\")); }
void BM_DialogFolders(benchmark::State& state) { buildAndPaint(state, dialogOn, QStringLiteral("C:\\Dossiers\\")); }
void BM_PlainListFolders(benchmark::State& state)
{
    buildAndPaint(state, plainListOn, QStringLiteral("C:\\Dossiers\\"));
}
BENCHMARK(BM_DialogLogs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainListLogs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DialogFolders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainListFolders)->Unit(benchmark::kMillisecond);

// What filling a window and painting it took, in bytes: the heap it holds
// (what malloc counts in use) and the growth of the resident set.
struct Growth {
    long long heap = -1;
    long long resident = -1;
};

long long heapInUse()
{
    const struct mallinfo2 heap = ::mallinfo2();
    return static_cast<long long>(heap.uordblks + heap.hblkhd);
}

// What `build` takes to fill its window on `folder` and paint it, in a child
// process that has built and painted the same window on an empty folder
// first; -1 figures when it could not be told.
Growth memoryGrowth(int argc, char** argv, Build build, const QString& folder)
{
    int answer[2];
    if (::pipe(answer) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        QApplication app(argc, argv);
        const auto paint = [&](const QString& shown) {
            std::unique_ptr<QWidget> window = build(shown);
            window->resize(540, 360);
            benchmark::DoNotOptimize(window->grab());
            return window;
        };
        const std::unique_ptr<QWidget> empty = paint(QStringLiteral("C:\\Vide\\"));
        const long long residentBefore = qn3::testing::processStatusKb("VmRSS");
        const long long heapBefore = heapInUse();
        const std::unique_ptr<QWidget> full = paint(folder);
        const long long heapAfter = heapInUse();
        const long long residentAfter = qn3::testing::processStatusKb("VmRSS");
        Growth growth {heapAfter - heapBefore, -1};
        if (residentBefore >= 0 && residentAfter >= 0)
            growth.resident = (residentAfter - residentBefore) * 1024;
        (void)!::write(answer[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(answer[1]);
    Growth growth;
    if (child < 0 || ::read(answer[0], &growth, sizeof growth) != sizeof growth)
        growth = {};
    ::close(answer[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return growth;
}

void printMemory(int argc, char** argv, const char* what, const QString& folder)
{
    const Growth dialog = memoryGrowth(argc, argv, dialogOn, folder);
    const Growth plain = memoryGrowth(argc, argv, plainListOn, folder);
    if (dialog.heap < 0 || dialog.resident < 0 || plain.heap <= 0 || plain.resident <= 0) {
        std::printf("memory for %s: not measured\n", what);
        return;
    }
    const auto perEntry = [](long long bytes) { return double(bytes) / kEntries; };
    std::printf("memory per entry, %d %s: heap held: dialog %.0f bytes, plain list %.0f bytes, ratio %.2f; "
                "resident growth: dialog %.0f bytes (%.1f MB in all), plain list %.0f bytes, ratio %.2f\n",
        kEntries, what, perEntry(dialog.heap), perEntry(plain.heap), double(dialog.heap) / double(plain.heap),
        perEntry(dialog.resident), double(dialog.resident) / 1e6, perEntry(plain.resident),
        double(dialog.resident) / double(plain.resident));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The children for the memory figures start before this process has
    // any Qt thread, each with an application of its own.
    folders();
    printMemory(argc, argv, "logs", QStringLiteral("C:\\Logs\\"));
    printMemory(argc, argv, "folders", QStringLiteral("C:\\Dossiers\\"));

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_DialogLogs", "BM_PlainListLogs");
    reporter.printRatio("BM_DialogFolders", "BM_PlainListFolders");
    benchmark::Shutdown();
    return 0;
}
