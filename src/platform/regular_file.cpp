#include "platform/regular_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::platform::regular_file {

Opened open(const QString& hostPath, int flags, mode_t mode)
{
    Opened result;
    const QByteArray path = QFile::encodeName(hostPath);
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            result.notRegular = true;
            return result;
        }
    } else if (errno != ENOENT || !(flags & O_CREAT)) {
        result.error = errno;
        return result;
    }
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    if (fd < 0) {
        // A FIFO opened for writing without a reader fails at once with ENXIO.
        result.error = errno;
        result.notRegular = errno == ENXIO || errno == ENODEV;
        return result;
    }
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        result.error = statted ? 0 : errno;
        result.notRegular = statted;
        ::close(fd);
        return result;
    }
    // Writes to a regular file never block anyway; reads and writes of the
    // caller keep their usual meaning.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    result.fd = fd;
    return result;
}

} // namespace qn3::platform::regular_file
