#include "platform/plain_files.h"

#include "platform/atomic_file.h"
#include "platform/host_files.h"
#include "platform/regular_file.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::platform::files {
namespace {

bool parentExists(const QString& hostPath) { return QFileInfo(QFileInfo(hostPath).path()).isDir(); }

[[noreturn]] void throwRefused(const QString& what, const char* why = " is not a regular file")
{
    throw RuntimeError(errors::PathFileAccessError, runtimeErrorText(errors::PathFileAccessError) + QStringLiteral(": ")
                                                        + what + QLatin1String(why));
}

} // namespace

bool exists(QStringView windowsPath)
{
    return QFileInfo::exists(paths::toHost(windowsPath));
}

bool isFolder(QStringView windowsPath)
{
    return QFileInfo(paths::toHost(windowsPath)).isDir();
}

Entry entry(QStringView windowsPath)
{
    const QFileInfo info(paths::toHost(windowsPath));
    if (info.isDir())
        return {EntryKind::Folder, 0};
    if (info.isFile())
        return {EntryKind::Regular, info.size()};
    return {info.exists() ? EntryKind::Other : EntryKind::Missing, 0};
}

void append(QStringView windowsPath, QByteArrayView bytes)
{
    const QString what = windowsPath.toString();
    const QString host = paths::toHost(windowsPath);
    regular_file::Opened opened = regular_file::open(host, O_WRONLY | O_APPEND | O_CREAT);
    if (opened.notRegular) {
        // Said here too: the file refused may be the very log that would tell it.
        qWarning("%s is not a regular file: not written", qPrintable(host));
        throwRefused(what);
    }
    if (opened.fd() < 0)
        throwErrno(opened.error, what, parentExists(host));
    // Closed here, where a failed close is an error of the write.
    const int fd = opened.release();
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    if (const int error = hostfiles::writeAll(fd, bytes); error != 0) {
        if (sized && ::ftruncate(fd, before.st_size) != 0) {
            // The partial write stays; nothing better can be done.
        }
        ::close(fd);
        throwErrno(error, what);
    }
    if (::close(fd) != 0)
        throwErrno(errno, what);
}

QString beginAside(QStringView windowsPath)
{
    const QString what = windowsPath.toString();
    const QString host = paths::toHost(windowsPath);
    // Taking the file's lock also clears what writers that ended early left.
    const atomic_file::Lock lock(host);
    const atomic_file::Contents current = atomic_file::read(host);
    switch (current.status) {
    case atomic_file::ReadStatus::Ok:
    case atomic_file::ReadStatus::Missing: break;
    case atomic_file::ReadStatus::NotRegular: throwRefused(what);
    case atomic_file::ReadStatus::TooLarge: throwRefused(what, " is too large for a settings file");
    case atomic_file::ReadStatus::Failed: throwErrno(current.error, what);
    }
    int error = 0;
    const QString aside = atomic_file::writeTemporary(host, current.bytes, error);
    if (aside.isEmpty())
        throwErrno(error, what, parentExists(host));
    return paths::toWindows(aside);
}

void putAsideInPlace(QStringView asideWindowsPath, QStringView windowsPath)
{
    if (const int error = atomic_file::putInPlace(paths::toHost(asideWindowsPath), paths::toHost(windowsPath)))
        throwErrno(error, windowsPath.toString());
}

void remove(QStringView windowsPath)
{
    const QString host = paths::toHost(windowsPath);
    if (::unlink(QFile::encodeName(host).constData()) != 0)
        throwErrno(errno, windowsPath.toString(), parentExists(host));
}

void makeFolder(QStringView windowsPath)
{
    const QString host = paths::toHost(windowsPath);
    if (::mkdir(QFile::encodeName(host).constData(), 0777) == 0)
        return;
    const int error = errno;
    // A file of that name is no folder: MkDir refuses it as an access error.
    if (error == EEXIST && !QFileInfo(host).isDir())
        throw RuntimeError(errors::PathFileAccessError,
                           runtimeErrorText(errors::PathFileAccessError) + QStringLiteral(": ") + windowsPath.toString());
    if (error != EEXIST)
        throwErrno(error, windowsPath.toString(), parentExists(host));
}

std::optional<int64_t> readableSize(QStringView windowsPath)
{
    const regular_file::Opened opened = regular_file::open(paths::toHost(windowsPath), O_RDONLY);
    if (opened.fd() < 0)
        return std::nullopt;
    struct stat st {};
    return ::fstat(opened.fd(), &st) == 0 ? std::optional<int64_t>(st.st_size) : std::nullopt;
}

} // namespace qn3::platform::files
