#include "platform/plain_files.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::platform::files {
namespace {

bool parentExists(const QString& hostPath) { return QFileInfo(QFileInfo(hostPath).path()).isDir(); }

} // namespace

bool exists(QStringView windowsPath)
{
    return QFileInfo::exists(paths::toHost(windowsPath));
}

bool isFolder(QStringView windowsPath)
{
    return QFileInfo(paths::toHost(windowsPath)).isDir();
}

void append(QStringView windowsPath, QByteArrayView bytes)
{
    const QString what = windowsPath.toString();
    const QString host = paths::toHost(windowsPath);
    const int fd = ::open(QFile::encodeName(host).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throwErrno(errno, what, parentExists(host));
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            if (sized && ::ftruncate(fd, before.st_size) != 0) {
                // The partial write stays; nothing better can be done.
            }
            ::close(fd);
            throwErrno(error, what);
        }
        data += written;
        left -= written;
    }
    if (::close(fd) != 0)
        throwErrno(errno, what);
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
    const QString host = paths::toHost(windowsPath);
    QFile file(host);
    if (QFileInfo(host).isDir() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.size();
}

} // namespace qn3::platform::files
