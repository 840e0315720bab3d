#pragma once

#include "platform/runtime_error.h"
#include "platform/windows_path.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// Makes at `path` a FIFO, or (`device`) a character device node like
// /dev/null's, which only root may make; false when it cannot be made here.
inline bool makeSpecial(const QString& path, bool device)
{
    const QByteArray name = QFile::encodeName(path);
    return device ? ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0
                  : ::mkfifo(name.constData(), 0666) == 0;
}
inline bool isSpecial(const QString& path, bool device)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
           (device ? S_ISCHR(st.st_mode) : S_ISFIFO(st.st_mode));
}

// A registry string value as stored: the text and its closing NUL.
inline QByteArray sz(const char* text) { return QByteArray(text) + '\0'; }

// The run-time error the call throws, if any.
template <class Call>
std::optional<platform::RuntimeError> thrownBy(Call&& call)
{
    try {
        call();
    } catch (const platform::RuntimeError& error) {
        return error;
    }
    return std::nullopt;
}

// The run-time error number the call throws; 0 when it throws none.
template <class Call>
int32_t runtimeErrorOf(Call&& call)
{
    const std::optional<platform::RuntimeError> error = thrownBy(call);
    return error ? error->number() : 0;
}

// A fresh prefix whose drive C is already made, with its files named relative to C:\.
class DriveCTest : public ::testing::Test {
protected:
    DriveCTest() { platform::paths::toHost(u"C:\\"); }

    QString host(const QString& relative) const { return prefix.driveC() + u'/' + relative; }
    void writeFile(const QString& relative, const QByteArray& bytes, const QDateTime& modified = {}) const
    {
        put(host(relative), bytes, modified);
    }
    QByteArray readFile(const QString& relative) const { return contents(host(relative)); }
    bool exists(const QString& relative) const { return QFileInfo::exists(host(relative)); }

    TempPrefix prefix;
};

} // namespace qn3::testing
