#include "ratio_reporter.h"
#include "platform/private_profile.h"
#include "platform/windows_path.h"
#include "services/ini_access.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

// One key read from a 500-line settings file, by LectureIni and by the
// private-profile layer under it, against reading the same file into memory
// in the same run (the least a read that must notice another process's
// write could do without trusting a cache). Goal: at least 100,000 reads per
// second. The figures and their ratios are printed at the end.

namespace {

// A private prefix holding the settings file: 25 sections of 19 keys.
struct SettingsFile {
    QTemporaryDir prefix;
    QString ini = QStringLiteral("C:\\Config\\QN3_Tools_Vandrel_Serveur.ini");
    QString host;

    SettingsFile()
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

SettingsFile& setup()
{
    static SettingsFile instance;
    return instance;
}

void BM_ReadFileIntoMemory(benchmark::State& state)
{
    for (auto _ : state) {
        QFile file(setup().host);
        if (file.open(QIODevice::ReadOnly))
            benchmark::DoNotOptimize(file.readAll());
    }
}

void BM_LectureIni(benchmark::State& state)
{
    const QString section = QStringLiteral("Section20");
    const QString key = QStringLiteral("Key17");
    const QString fallback;
    for (auto _ : state)
        benchmark::DoNotOptimize(qn3::services::LectureIni(setup().ini, section, key, fallback));
}

void BM_PrivateProfileRead(benchmark::State& state)
{
    qn3::platform::PrivateProfile& profile = qn3::platform::PrivateProfile::standard();
    for (auto _ : state)
        benchmark::DoNotOptimize(profile.readString(setup().ini, u"Section20", u"Key17", u"", 255));
}

BENCHMARK(BM_ReadFileIntoMemory)->MinTime(0.5);
BENCHMARK(BM_LectureIni)->MinTime(0.5);
BENCHMARK(BM_PrivateProfileRead)->MinTime(0.5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_LectureIni", "BM_ReadFileIntoMemory");
    reporter.printRatio("BM_PrivateProfileRead", "BM_ReadFileIntoMemory");
    benchmark::Shutdown();
    return 0;
}
