#include "platform/exclusive_file.h"

#include "platform/file_attributes.h"
#include "platform/regular_file.h"
#include "platform/windows_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::platform::exclusive {
namespace {

QDateTime utcSeconds(const struct timespec& t)
{
    return QDateTime::fromSecsSinceEpoch(t.tv_sec, Qt::UTC);
}

} // namespace

FileInformation readInformation(QStringView windowsPath) noexcept
{
    FileInformation info;
    try {
        const QString host = paths::toHost(windowsPath);
        if (attributes::getHost(host) & (attributes::ReadOnly | attributes::Directory))
            return info;
        // Only a regular file: a FIFO opened for reading and writing would
        // answer, but the program would then wait on it.
        // Its close drops the lock taken below.
        const regular_file::Opened file = regular_file::open(host, O_RDWR);
        if (file.fd() < 0)
            return info;
        // Any lock another open holds on the file conflicts with a write lock.
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(file.fd(), F_OFD_SETLK, &lock) != 0)
            return info;
        info.opened = true;
        struct stat st {};
        if (::fstat(file.fd(), &st) != 0)
            return info;
        info.informed = true;
        info.lastWriteUtc = utcSeconds(st.st_mtim);
        info.lastAccessUtc = utcSeconds(st.st_atim);
        info.size = st.st_size;
    } catch (...) {
        // A name the platform cannot take cannot be opened either.
    }
    return info;
}

} // namespace qn3::platform::exclusive
