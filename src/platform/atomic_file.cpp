#include "platform/atomic_file.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

// QSaveFile does the temp-and-rename dance but drops extended attributes,
// which carry the DOS attributes here, so the few system calls are ours.

namespace qn3::platform::atomic_file {
namespace {

int writeAll(int fd, QByteArrayView content)
{
    const char* data = content.data();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= n;
    }
    return 0;
}

// Copies the user.* attributes; other namespaces need privileges and are the
// file system's business. A file system without attributes is not an error.
void copyUserAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got <= 0)
        return;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (name.rfind("user.", 0) != 0)
            continue;
        const ssize_t valueSize = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (valueSize < 0)
            continue;
        std::vector<char> value(static_cast<size_t>(valueSize) + 1);
        const ssize_t valueGot = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (valueGot >= 0)
            ::fsetxattr(to, name.c_str(), value.data(), static_cast<size_t>(valueGot), 0);
    }
}

void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

int replace(const QString& hostPath, QByteArrayView content)
{
    QString targetPath = hostPath;
    const QFileInfo info(hostPath);
    if (info.isSymLink())
        // A dangling link is kept too: the file it names is made.
        targetPath = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    const std::string target = QFile::encodeName(targetPath).toStdString();
    const std::string folder = QFile::encodeName(QFileInfo(targetPath).absolutePath()).toStdString();
    // Only the start of the name, so the temporary name of a file whose name
    // has the longest length allowed still fits that length.
    const std::string base = QFile::encodeName(QFileInfo(targetPath).fileName()).toStdString().substr(0, 64);

    std::string temp = folder + "/." + base + "." + std::to_string(::getpid()) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;

    int error = 0;
    const int old = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (old >= 0) {
        struct stat st {};
        if (::fstat(old, &st) == 0)
            ::fchmod(fd, st.st_mode & 07777);
        copyUserAttributes(old, fd);
        ::close(old);
    } else {
        // mkostemp makes 0600; a new file gets the usual mode under the umask.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    error = writeAll(fd, content);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    syncFolder(folder);
    return 0;
}

} // namespace qn3::platform::atomic_file
