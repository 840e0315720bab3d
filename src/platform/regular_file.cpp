#include "platform/regular_file.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

namespace qn3::platform::regular_file {

Opened::Opened(Opened&& other) noexcept
    : error(other.error), notRegular(other.notRegular), notFolder(other.notFolder), st(other.st),
      fd_(other.release())
{
}

Opened& Opened::operator=(Opened&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        error = other.error;
        notRegular = other.notRegular;
        notFolder = other.notFolder;
        st = other.st;
        fd_ = other.release();
    }
    return *this;
}

Opened::~Opened()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int Opened::release() { return std::exchange(fd_, -1); }

// Keeps `fd` when fstat() finds the kind `wanted` (S_IFREG, S_IFDIR), else
// closes it and says which kind was wanted.
Opened judged(int fd, mode_t wanted, Opened result)
{
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    const bool statted = ::fstat(fd, &result.st) == 0;
    if (!statted || (result.st.st_mode & S_IFMT) != wanted) {
        result.error = statted ? (wanted == S_IFDIR ? ENOTDIR : 0) : errno;
        (wanted == S_IFDIR ? result.notFolder : result.notRegular) = statted;
        ::close(fd);
        return result;
    }
    result.fd_ = fd;
    return result;
}

Opened open(const QString& hostPath, int flags, mode_t mode)
{
    return open(QFile::encodeName(hostPath).constData(), flags, mode);
}

Opened open(const char* path, int flags, mode_t mode)
{
    Opened result;
    if (::stat(path, &result.st) == 0) {
        if (!S_ISREG(result.st.st_mode)) {
            result.notRegular = true;
            return result;
        }
    } else if (errno != ENOENT || !(flags & O_CREAT)) {
        result.error = errno;
        return result;
    }
    const int fd = ::open(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    if (fd < 0 && (errno == ENXIO || errno == ENODEV)) {
        // A FIFO opened for writing without a reader fails at once with ENXIO.
        result.error = errno;
        result.notRegular = true;
        return result;
    }
    result = judged(fd, S_IFREG, std::move(result));
    // Writes to a regular file never block anyway; reads and writes of the
    // caller keep their usual meaning, unless it asked for O_NONBLOCK itself.
    if (result.fd() >= 0 && !(flags & O_NONBLOCK))
        ::fcntl(result.fd(), F_SETFL, ::fcntl(result.fd(), F_GETFL) & ~O_NONBLOCK);
    return result;
}

Opened createUnique(QByteArray& pathTemplate)
{
    return judged(::mkostemp(pathTemplate.data(), O_CLOEXEC), S_IFREG, {});
}

Opened openFolder(const QString& hostPath) { return openFolder(QFile::encodeName(hostPath).constData()); }

Opened openFolder(const char* path)
{
    // O_DIRECTORY refuses any other kind before it is opened (ENOTDIR); the
    // name then tells whether the entry itself, or a folder on its way, is
    // no folder.
    Opened result = judged(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC), S_IFDIR, {});
    if (result.fd() < 0 && result.error == ENOTDIR && !result.notFolder)
        result.notFolder = ::stat(path, &result.st) == 0 && !S_ISDIR(result.st.st_mode);
    return result;
}

} // namespace qn3::platform::regular_file
