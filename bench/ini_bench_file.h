#pragma once

#include "platform/windows_path.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

// What the INI read benchmarks share: a private prefix holding one 500-line
// settings file (25 sections of 19 keys), and a rate measure.
namespace qn3::bench {

struct IniBenchFile {
    QTemporaryDir prefix;
    QString host;
    QString ini;

    explicit IniBenchFile(const QString& windowsPath) : ini(windowsPath)
    {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        host = platform::paths::toHost(ini);
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

    // The baseline: the whole file read into memory.
    void readWhole() const
    {
        QFile file(host);
        if (file.open(QIODevice::ReadOnly))
            benchmark::DoNotOptimize(file.readAll());
    }
};

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

} // namespace qn3::bench
