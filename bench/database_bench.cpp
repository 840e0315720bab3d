// The radio database layer against the record manager called directly, in
// one run: one Get Equal through BTRieve (history line included, as callers
// name themselves) and through BTRCALL, on a base of 10 stations opened as
// the start-up opens it (the opening itself: opening_bench.cpp). Goal: Get
// Equal within 1.15 times BTRCALL's time (each side's best of five runs).

#include "database/call_layer.h"
#include "database/opening.h"
#include "database/record_buffers.h"
#include "demo_site.h"
#include "ratio_reporter.h"
#include "recordmanager/btrcall.h"

#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

using namespace qn3::database;
namespace services = qn3::services;

constexpr int kRecords = 1000;

struct Site {
    QTemporaryDir prefix;
    std::vector<QByteArray> paths; // key buffers of the opens, in the opening's order
    std::vector<int32_t> lengths;

    Site()
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        services::RepConfig[0] = QStringLiteral("C:\\Site\\Config\\");
        services::RepBtr[0] = QStringLiteral("C:\\Site\\Data\\");
        if (!qn3::testing::GenerateSite(0, 10)) {
            std::fprintf(stderr, "the site could not be generated\n");
            std::exit(1);
        }
        qn3::testing::MarkStartupFiles(0, 10);
        for (int f : qn3::testing::kStartupFiles) {
            for (int s = 1; s <= 10; ++s) {
                QString name = NomFichierBTR(static_cast<int16_t>(f), static_cast<int16_t>(s - 1));
                QByteArray key = (services::RepBtr[0] + name + u' ').toLatin1();
                key.append(255 - key.size(), '\0');
                paths.push_back(key);
                lengths.push_back(CatalogueFichiers[f].Lng_Enregistrement);
            }
        }
        // File 17 of station 1 gets records to read.
        qn3::testing::OpenStartupFiles(0);
        EnregistrementBtr& enr = *EnrBtr(17);
        int16_t reserve = 0;
        for (int i = 0; i < kRecords; ++i) {
            enr.setTexte(0, 14, QStringLiteral("%1").arg(i, 14, 10, QChar(u'0')));
            enr.setTexte(14, 8, QStringLiteral("%1").arg(i, 8, 10, QChar(u'0')));
            CleBtr = enr.texte(0, 14);
            BTRieve(0, 2, CleBtr, 0, 17, 1, QStringLiteral("Bench:Ajout"), reserve);
        }
    }
};

Site& site()
{
    static Site s;
    return s;
}

void GetEqual_btrieve(benchmark::State& state)
{
    site();
    qn3::testing::CloseOpenedFiles(0);
    qn3::testing::OpenStartupFiles(0);
    int16_t reserve = 0;
    int i = 0;
    for (auto _ : state) {
        CleBtr = QStringLiteral("%1").arg(i++ % kRecords, 14, 10, QChar(u'0'));
        BTRieve(0, 5, CleBtr, 0, 17, 1, QStringLiteral("Bench:Lecture"), reserve);
        if (StatutBtr != 0)
            state.SkipWithError("Get Equal failed");
    }
}

void GetEqual_btrcall(benchmark::State& state)
{
    Site& s = site();
    PositionBlock block;
    block.fill(' ');
    QByteArray data(1012, '\0');
    int32_t length = 1000;
    BTRCALL(0, block.data(), data.data(), &length, s.paths[14 * 10].data(), 255, 0);
    int i = 0;
    for (auto _ : state) {
        // The caller's key is text too, made the same way on both sides.
        QByteArray key = QStringLiteral("%1").arg(i++ % kRecords, 14, 10, QChar(u'0')).toLatin1();
        key.append(255 - key.size(), '\0');
        length = 1000;
        if (BTRCALL(5, block.data(), data.data(), &length, key.data(), 255, 0) != 0)
            state.SkipWithError("Get Equal failed");
    }
}

BENCHMARK(GetEqual_btrieve)->Repetitions(5);
BENCHMARK(GetEqual_btrcall)->Repetitions(5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    site();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.printRatio("GetEqual_btrieve", "GetEqual_btrcall");
    benchmark::Shutdown();
    return 0;
}
