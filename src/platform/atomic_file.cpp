#include "platform/atomic_file.h"

#include "platform/host_files.h"
#include "platform/regular_file.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

// QSaveFile does the temp-and-rename dance but drops extended attributes,
// which carry the DOS attributes here, so the few system calls are ours.

namespace qn3::platform::atomic_file {
namespace {

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

// The file a write really lands in (a link is followed, so the link itself
// survives), its folder, and the start of the temporary names made for it.
struct Target {
    std::string path;
    std::string folder;
    std::string tempStart; // ".<name>." : the temporary names go on with "<pid>.XXXXXX"
};

Target targetOf(const QString& hostPath)
{
    QString targetPath = hostPath;
    const QFileInfo info(hostPath);
    if (info.isSymLink())
        // A dangling link is kept too: the file it names is made.
        targetPath = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    const QFileInfo target(targetPath);
    // Only the start of the name, so the temporary name of a file whose name
    // has the longest length allowed still fits that length.
    return {QFile::encodeName(targetPath).toStdString(), QFile::encodeName(target.absolutePath()).toStdString(),
            "." + QFile::encodeName(target.fileName()).toStdString().substr(0, 64) + "."};
}

// The writer's process id of a temporary name, or 0 when `name` is not one
// of ours for that target.
pid_t temporaryOwner(const std::string& name, const std::string& start)
{
    if (name.compare(0, start.size(), start) != 0)
        return 0;
    const std::string rest = name.substr(start.size());
    const size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string::npos || rest.size() - dot - 1 != 6
        || rest.find_first_not_of("0123456789") != dot)
        return 0;
    return static_cast<pid_t>(std::strtol(rest.c_str(), nullptr, 10));
}

// The rest of read() on the opened regular file, whose status `result`
// already holds: the bytes left in `result`.
ReadStatus readOpen(int fd, qint64 limit, Contents& result)
{
    if (result.st.st_size > limit)
        return ReadStatus::TooLarge;
    // The size is a hint only: the file may grow or shrink while it is read.
    QByteArray bytes(static_cast<qsizetype>(result.st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > limit)
                return ReadStatus::TooLarge;
            bytes.resize(std::min<qsizetype>(2 * got + 4096, limit + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.error = errno;
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > limit)
        return ReadStatus::TooLarge;
    bytes.truncate(got);
    result.bytes = std::move(bytes);
    return ReadStatus::Ok;
}

} // namespace

void removeStaleTemporaries(const QString& hostPath)
{
    const Target target = targetOf(hostPath);
    regular_file::Opened folder = regular_file::openFolder(hostfiles::pathString(target.folder));
    DIR* dir = folder.fd() < 0 ? nullptr : ::fdopendir(folder.fd());
    if (!dir)
        return;
    folder.release(); // the listing owns it now
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = temporaryOwner(entry->d_name, target.tempStart);
        // A live owner (this process included) may still be writing.
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

Lock::Lock(const QString& hostPath)
{
    fd_ = regular_file::openFolder(hostfiles::pathString(targetOf(hostPath).folder)).release();
    if (fd_ < 0)
        return;
    int locked = 0;
    while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    removeStaleTemporaries(hostPath);
}

Lock::~Lock()
{
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

Contents read(const QString& hostPath, qint64 limit)
{
    Contents result;
    const regular_file::Opened opened = regular_file::open(hostPath, O_RDONLY);
    result.st = opened.st;
    if (opened.notRegular) {
        result.status = ReadStatus::NotRegular;
    } else if (opened.fd() < 0) {
        result.error = opened.error;
        result.status = opened.error == ENOENT || opened.error == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
    } else {
        result.status = readOpen(opened.fd(), limit, result);
    }
    return result;
}

QString writeTemporary(const QString& hostPath, QByteArrayView content, int& error, std::optional<mode_t> mode)
{
    const Target target = targetOf(hostPath);
    // The file replaced gives its mode and attributes; a folder, FIFO or
    // device in its place is never replaced.
    const regular_file::Opened old = regular_file::open(hostfiles::pathString(target.path), O_RDONLY);
    if (old.notRegular) {
        error = EPERM;
        return {};
    }
    QByteArray temp =
        QByteArray::fromStdString(target.folder + "/" + target.tempStart + std::to_string(::getpid()) + ".XXXXXX");
    regular_file::Opened made = regular_file::createUnique(temp);
    if (made.fd() < 0) {
        error = made.error;
        return {};
    }
    const int fd = made.release();
    if (old.fd() >= 0) {
        if (!mode)
            ::fchmod(fd, old.st.st_mode & 07777);
        copyUserAttributes(old.fd(), fd);
    }
    if (mode) {
        ::fchmod(fd, *mode & 07777);
    } else if (old.fd() < 0) {
        // A new file gets the usual mode under the umask, not the 0600 of a unique one.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    error = hostfiles::writeAll(fd, content);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return {};
    }
    return hostfiles::pathString(temp);
}

int putInPlace(const QString& temporary, const QString& hostPath)
{
    const Target target = targetOf(hostPath);
    const QByteArray temp = QFile::encodeName(temporary);
    if (::rename(temp.constData(), target.path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return error;
    }
    hostfiles::syncFolderOf(hostfiles::pathString(target.path));
    return 0;
}

int replace(const QString& hostPath, QByteArrayView content, std::optional<mode_t> mode)
{
    int error = 0;
    const QString temporary = writeTemporary(hostPath, content, error, mode);
    return temporary.isEmpty() ? error : putInPlace(temporary, hostPath);
}

} // namespace qn3::platform::atomic_file
