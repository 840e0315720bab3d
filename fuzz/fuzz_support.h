#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// What the fuzz targets share: the entry point that hands them the input as
// bytes, a private prefix and its files, and the check that stops the run
// when a promise is broken.

// Defines libFuzzer's entry point around the body that follows, which sees
// the input as the QByteArrayView `bytes`; a plain `return` ends the run.
#define QN3_FUZZ_TARGET(bytes)                                                                                         \
    static void fuzzOne(QByteArrayView bytes);                                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                                            \
    {                                                                                                                  \
        fuzzOne({reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)});                                  \
        return 0;                                                                                                      \
    }                                                                                                                  \
    static void fuzzOne(QByteArrayView bytes)

namespace qn3::fuzzing {

// A broken promise aborts, so libFuzzer keeps the input that broke it.
inline void require(bool kept)
{
    if (!kept)
        std::abort();
}

// The host folder of a fresh temporary prefix that QN3_PREFIX names from the
// first call on, for the whole run.
inline const QString& privatePrefix()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        require(folder.isValid());
        qputenv("QN3_PREFIX", QFile::encodeName(folder.path()));
        return folder.path();
    }();
    return path;
}

inline void writeFile(const QString& hostPath, QByteArrayView bytes)
{
    QFile file(hostPath);
    require(file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size());
}

inline QByteArray readFile(const QString& hostPath)
{
    QFile file(hostPath);
    require(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace qn3::fuzzing
