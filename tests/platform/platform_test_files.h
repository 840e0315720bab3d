#pragma once

#include "platform/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

// File and error helpers the platform tests share.
namespace qn3::testing {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes the file anew, making the folders on the way; a valid `modified` becomes its modification time.
inline void put(const QString& path, const QByteArray& bytes, const QDateTime& modified = {})
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(!modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// The run-time error number the call throws; 0 when it throws none.
template <class Call>
int32_t runtimeErrorOf(Call&& call)
{
    try {
        call();
    } catch (const platform::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

} // namespace qn3::testing
