#include "platform/regular_file.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace qn3::platform::regular_file {
namespace {

// Keeps `fd` when fstat() finds the kind `wanted` (S_IFREG, S_IFDIR), else closes it.
Opened judged(int fd, mode_t wanted, Opened result)
{
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    const bool statted = ::fstat(fd, &result.st) == 0;
    if (!statted || (result.st.st_mode & S_IFMT) != wanted) {
        result.error = statted ? 0 : errno;
        result.notRegular = statted;
        ::close(fd);
        return result;
    }
    result.fd = fd;
    return result;
}

} // namespace

Opened open(const QString& hostPath, int flags, mode_t mode)
{
    Opened result;
    const QByteArray path = QFile::encodeName(hostPath);
    if (::stat(path.constData(), &result.st) == 0) {
        if (!S_ISREG(result.st.st_mode)) {
            result.notRegular = true;
            return result;
        }
    } else if (errno != ENOENT || !(flags & O_CREAT)) {
        result.error = errno;
        return result;
    }
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    if (fd < 0 && (errno == ENXIO || errno == ENODEV)) {
        // A FIFO opened for writing without a reader fails at once with ENXIO.
        result.error = errno;
        result.notRegular = true;
        return result;
    }
    result = judged(fd, S_IFREG, result);
    // Writes to a regular file never block anyway; reads and writes of the
    // caller keep their usual meaning.
    if (result.fd >= 0)
        ::fcntl(result.fd, F_SETFL, ::fcntl(result.fd, F_GETFL) & ~O_NONBLOCK);
    return result;
}

Opened createUnique(QByteArray& pathTemplate)
{
    return judged(::mkostemp(pathTemplate.data(), O_CLOEXEC), S_IFREG, {});
}

Opened openFolder(const QString& hostPath)
{
    // O_DIRECTORY refuses any other kind before it is opened (ENOTDIR).
    return judged(::open(QFile::encodeName(hostPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), S_IFDIR, {});
}

} // namespace qn3::platform::regular_file
