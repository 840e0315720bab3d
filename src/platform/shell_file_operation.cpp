#include "platform/shell_file_operation.h"

#include "platform/wildcard.h"

#include "platform/file_attributes.h"
#include "platform/host_files.h"
#include "platform/regular_file.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

// Map of this file:
//   Codes and locks    errno -> shell code, "in use by another program"
//   Sources            resolving the source list (wildcards, missing names)
//   Copy               one file atomically, a folder tree, the whole operation
//   Delete
//   Entry points

namespace qn3::platform::shell {
namespace {

// ---- Codes and locks -------------------------------------------------------

int32_t codeForErrno(int error)
{
    switch (error) {
    case 0: return codes::Success;
    case ENOENT: return codes::FileNotFound;
    case ENOTDIR:
    case ELOOP: return codes::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return codes::AccessDenied;
    case ENOMEM: return codes::OutOfMemory;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN: return codes::SharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return codes::DiskFull;
    default: return codes::UnknownError;
    }
}

// A shell failure met in the middle of an operation.
struct Failure {
    int32_t code;
};

// True when another open of the file `fd` holds a lock that conflicts with
// reading it (`forWriting` false: a write lock) or with removing it (any
// lock): the Linux counterpart of a file opened without sharing by another
// program.
bool lockedByOther(int fd, bool forWriting)
{
    struct flock probe {};
    probe.l_type = forWriting ? F_WRLCK : F_RDLCK;
    probe.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

bool lockedByOther(const QString& host, bool forWriting)
{
    const regular_file::Opened file = regular_file::open(host, O_RDONLY);
    return file.fd() >= 0 && lockedByOther(file.fd(), forWriting);
}

// ---- Sources ---------------------------------------------------------------

struct Source {
    QString host;
    bool directory = false;
};

QString hostOf(const QString& windowsPath)
{
    try {
        return paths::toHost(windowsPath);
    } catch (const RuntimeError& error) {
        throw Failure{error.number() == errors::DeviceUnavailable ? codes::PathNotFound : codes::UnknownError};
    }
}

// A missing network share is "network path not found", as on Windows, where
// a share is never made by a copy: only folders inside an existing one are.
void checkShare(QString windowsPath)
{
    // "/" separates as "\\" does, in "//server/share" as anywhere.
    windowsPath.replace(u'/', u'\\');
    if (!windowsPath.startsWith(u"\\\\"))
        return;
    // Server and share: the first two names once the leading "\\" is skipped.
    const QString share = windowsPath.section(u'\\', 0, 1, QString::SectionSkipEmpty);
    if (!QFileInfo(hostOf(QStringLiteral("\\\\") + share)).isDir())
        throw Failure{codes::BadNetPath};
}

// Whether a host path from paths::toHost is a drive or share root: the whole
// of a drive (and "Z:" is the host's "/") is never a source.
bool isRoot(const QString& host)
{
    const QString devices = paths::prefix() + QStringLiteral("/dosdevices/");
    if (!host.startsWith(devices))
        return false;
    const QStringList names = QStringView(host).sliced(devices.size()).toString().split(u'/', Qt::SkipEmptyParts);
    return names.size() == (names.value(0) == u"unc" ? 3 : 1);
}

struct Resolved {
    std::vector<Source> sources;
    bool several = false; // a wildcard or more than one name: the target is a folder
};

Resolved resolveSources(const QString& from, uint16_t flags, bool deleting)
{
    const QStringList names = from.split(QChar(0), Qt::SkipEmptyParts);
    if (names.isEmpty())
        throw Failure{codes::InvalidParameter};
    Resolved resolved;
    resolved.several = names.size() > 1;
    for (const QString& name : names) {
        checkShare(name);
        // A mask stands only in the last component; the folder before it is
        // mapped on its own, since a mask is no valid name for the mapping.
        const qsizetype lastSeparator = name.lastIndexOf(u'\\');
        const QString lastComponent = name.mid(lastSeparator + 1);
        const bool masked = wildcard::hasWildcards(lastComponent);
        QString host = masked ? hostOf(name.left(lastSeparator + 1)) + u'/' + lastComponent : hostOf(name);
        if (!masked && isRoot(host))
            throw Failure{codes::RootFolder};
        // "Folder\" names the folder: without the separator a link stays a
        // link, so deleting it never reaches what it points to.
        while (host.size() > 1 && host.endsWith(u'/'))
            host.chop(1);
        const QFileInfo info(host);
        const bool parentExists = QFileInfo(info.absolutePath()).isDir();
        if (masked) {
            resolved.several = true;
            if (!parentExists)
                throw Failure{deleting ? codes::InvalidFiles : codes::PathNotFound};
            const QDir folder(info.absolutePath());
            const auto filter = QDir::Files | QDir::Hidden | QDir::System |
                                ((flags & flags::FilesOnly) ? QDir::Filters() : QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QFileInfo& entry : folder.entryInfoList(filter, QDir::Name)) {
                if (wildcard::matches(lastComponent, entry.fileName()))
                    resolved.sources.push_back({entry.filePath(), entry.isDir()});
            }
        } else if (info.exists()) {
            resolved.sources.push_back({host, info.isDir()});
        } else {
            throw Failure{deleting && !parentExists ? codes::InvalidFiles : codes::FileNotFound};
        }
    }
    return resolved;
}

// ---- Copy ------------------------------------------------------------------

void makeFolders(const QString& host)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(host).toStdString()), error);
    if (error)
        throw Failure{codeForErrno(error.value())};
}

using SendFile = FileOperations::SendFile;

// Copies what is left of `in` to `out`: in the kernel, or where the kernel or
// the file system refuses that, by reading and writing from where it stopped
// (the kernel's copy moves `in`'s offset past what it sent). 0 or an errno.
int copyContent(int in, int out, SendFile send)
{
    for (;;) {
        const ssize_t sent = send(out, in, nullptr, 1 << 30);
        if (sent == 0)
            return 0;
        if (sent > 0 || errno == EINTR)
            continue;
        if (errno == EINVAL || errno == ENOSYS)
            break;
        return errno;
    }
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), static_cast<size_t>(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : 0;
        if (const int error = hostfiles::writeAll(out, QByteArrayView(buffer.constData(), got)); error != 0)
            return error;
    }
}

// Copies one file: content into a sibling temporary file, the source's times
// onto it, then a rename over the target, so a reader sees the old or the new
// file whole, never a part. Only a regular file is copied, and only onto a
// regular file or a new name: a FIFO or a device is never opened nor replaced.
void copyFile(const QString& source, const QString& target, SendFile send)
{
    const regular_file::Opened from = regular_file::open(source, O_RDONLY);
    if (from.notRegular)
        throw Failure{codes::AccessDenied};
    if (from.fd() < 0)
        throw Failure{codeForErrno(from.error)};
    const int in = from.fd();
    if (lockedByOther(in, false))
        throw Failure{codes::SharingViolation};
    const QFileInfo targetInfo(target);
    if (targetInfo.isDir())
        throw Failure{codes::FileOntoFolder};
    if (targetInfo.exists() && !targetInfo.isFile())
        throw Failure{codes::AccessDenied};
    if (targetInfo.exists() && QFileInfo(source).canonicalFilePath() == targetInfo.canonicalFilePath())
        throw Failure{codes::SameFile};
    makeFolders(targetInfo.absolutePath());

    QByteArray temp = QFile::encodeName(targetInfo.absolutePath() + u'/' + targetInfo.fileName()) + ".copy-XXXXXX";
    regular_file::Opened out = regular_file::createUnique(temp);
    if (out.fd() < 0)
        throw Failure{codeForErrno(out.error)};
    try {
        if (const int error = copyContent(in, out.fd(), send); error != 0)
            throw Failure{codeForErrno(error)};
        const struct timespec times[2] = {from.st.st_atim, from.st.st_mtim};
        if (::fchmod(out.fd(), from.st.st_mode & 07777) != 0 || ::futimens(out.fd(), times) != 0)
            throw Failure{codeForErrno(errno)};
        const int closed = ::close(out.release());
        if (closed != 0)
            throw Failure{codeForErrno(errno)};
        if (::rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
            throw Failure{codeForErrno(errno)};
    } catch (...) {
        ::unlink(temp.constData());
        throw;
    }
    // The attributes follow the content; the data is already safe, so a file
    // system that cannot keep them does not fail the copy.
    try {
        const uint32_t kept = attributes::getHost(source) &
                              (attributes::ReadOnly | attributes::Hidden | attributes::System);
        attributes::setHost(target, kept | attributes::Archive);
    } catch (const RuntimeError&) {
    }
}

void copyFolder(const QString& source, const QString& target, bool recursive, SendFile send)
{
    makeFolders(target);
    const QDir folder(source);
    for (const QFileInfo& entry :
         folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString into = target + u'/' + entry.fileName();
        if (!entry.isDir())
            copyFile(entry.filePath(), into, send);
        else if (recursive)
            copyFolder(entry.filePath(), into, true, send);
    }
}

bool isInside(const QString& path, const QString& folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    QString probe = QFileInfo(path).absoluteFilePath();
    // The target may not exist yet: compare its nearest existing ancestor.
    while (!QFileInfo::exists(probe) && probe.size() > 1)
        probe = QFileInfo(probe).absolutePath();
    const QString canonical = QFileInfo(probe).canonicalFilePath();
    return canonical == canonicalFolder || canonical.startsWith(canonicalFolder + u'/');
}

void copy(const FileOperation& operation, SendFile send)
{
    const Resolved resolved = resolveSources(operation.from, operation.flags, false);
    if (operation.to.split(QChar(0), Qt::SkipEmptyParts).isEmpty())
        throw Failure{codes::InvalidParameter};
    const QString to = operation.to.split(QChar(0), Qt::SkipEmptyParts).first();
    checkShare(to);
    const QString target = hostOf(to);
    const bool intoFolder = resolved.several || QFileInfo(target).isDir() || to.endsWith(u'\\');
    if (resolved.several && QFileInfo(target).isFile())
        throw Failure{codes::InvalidFiles};
    const bool recursive = !(operation.flags & flags::NoRecursion);
    for (const Source& source : resolved.sources) {
        const QString destination = intoFolder ? target + u'/' + QFileInfo(source.host).fileName() : target;
        if (!source.directory) {
            copyFile(source.host, destination, send);
            continue;
        }
        if (isInside(destination, source.host))
            throw Failure{codes::DestinationInsideSource};
        copyFolder(source.host, destination, recursive, send);
    }
}

// ---- Delete ----------------------------------------------------------------

void remove(const FileOperation& operation)
{
    const Resolved resolved = resolveSources(operation.from, operation.flags, true);
    for (const Source& source : resolved.sources) {
        if (!source.directory && lockedByOther(source.host, true))
            throw Failure{codes::SharingViolation};
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(source.host).toStdString()), error);
        if (error)
            throw Failure{codeForErrno(error.value())};
    }
}

// ---- Entry points ----------------------------------------------------------

class StandardFileOperations final : public FileOperations {
public:
    explicit StandardFileOperations(SendFile send) : send_(send) {}

    int32_t run(const FileOperation& operation) override
    {
        try {
            switch (operation.operation) {
            case operations::Copy: copy(operation, send_); break;
            case operations::Delete: remove(operation); break;
            default: return codes::InvalidParameter;
            }
            return codes::Success;
        } catch (const Failure& failure) {
            return failure.code;
        } catch (const std::bad_alloc&) {
            return codes::OutOfMemory;
        }
    }

private:
    SendFile send_;
};

} // namespace

FileOperations& FileOperations::standard()
{
    static StandardFileOperations operations(::sendfile);
    return operations;
}

std::unique_ptr<FileOperations> FileOperations::standardWith(SendFile send)
{
    return std::make_unique<StandardFileOperations>(send);
}

int32_t fileOperation(const FileOperation& operation)
{
    return FileOperations::current().run(operation);
}

} // namespace qn3::platform::shell
