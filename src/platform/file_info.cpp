#include "platform/file_info.h"

#include "platform/directory_listing.h"
#include "platform/file_attributes.h"
#include "platform/runtime_error.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace qn3::platform::fileinfo {
namespace {

[[noreturn]] void fail(int error, const QString& host, QStringView windowsPath)
{
    const bool parentExists = QFileInfo(QFileInfo(host).absolutePath()).isDir();
    throwErrno(error, windowsPath.toString(), parentExists);
}

struct statx statOf(QStringView windowsPath)
{
    const QString host = paths::toHost(windowsPath);
    struct statx st {};
    if (::statx(AT_FDCWD, QFile::encodeName(host).constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        fail(errno, host, windowsPath);
    return st;
}

QDateTime local(const struct statx_timestamp& t)
{
    return QDateTime::fromMSecsSinceEpoch(t.tv_sec * 1000 + t.tv_nsec / 1000000, Qt::LocalTime);
}

} // namespace

int64_t size(QStringView windowsPath)
{
    const struct statx st = statOf(windowsPath);
    return S_ISDIR(st.stx_mode) ? 0 : int64_t(st.stx_size);
}

FileTimes times(QStringView windowsPath)
{
    const struct statx st = statOf(windowsPath);
    const bool born = st.stx_mask & STATX_BTIME;
    return {local(born ? st.stx_btime : st.stx_ctime), local(st.stx_atime), local(st.stx_mtime)};
}

double freeBytes(QStringView root)
{
    const QString host = paths::toHost(root);
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(host).constData(), &st) != 0)
        fail(errno, host, root);
    return double(st.f_bavail) * double(st.f_frsize);
}

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t kEpochDifference = 11644473600LL;

FileTime toFileTime(const struct statx_timestamp& t)
{
    const int64_t intervals = (t.tv_sec + kEpochDifference) * 10000000LL + t.tv_nsec / 100;
    return intervals < 0 ? 0 : FileTime(intervals);
}

} // namespace

QDateTime fromFileTime(FileTime time)
{
    const int64_t msecs = int64_t(time / 10000) - kEpochDifference * 1000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

std::optional<FindData> findFirst(QStringView windowsPattern)
{
    if (windowsPattern.endsWith(u'\\') || windowsPattern.endsWith(u'/'))
        return std::nullopt; // a name ending with a separator names no entry
    try {
        DirectoryEntry entry;
        const qsizetype separator = std::max(windowsPattern.lastIndexOf(u'\\'), windowsPattern.lastIndexOf(u'/'));
        if (wildcard::hasWildcards(windowsPattern.mid(separator + 1))) {
            const QList<DirectoryEntry> entries = listDirectory(windowsPattern);
            if (entries.isEmpty())
                return std::nullopt;
            entry = entries.front();
        } else {
            // A folder named without wildcard is that folder's own entry, not its first child.
            entry.hostPath = paths::toHost(windowsPattern);
            entry.name = QFileInfo(entry.hostPath).fileName();
        }
        struct statx st {};
        if (::statx(AT_FDCWD, QFile::encodeName(entry.hostPath).constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
            return std::nullopt;
        FindData data;
        data.attributes = attributes::getHost(entry.hostPath);
        data.creationTime = toFileTime((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime);
        data.lastAccessTime = toFileTime(st.stx_atime);
        data.lastWriteTime = toFileTime(st.stx_mtime);
        const uint64_t bytes = S_ISDIR(st.stx_mode) ? 0 : st.stx_size;
        data.sizeHigh = uint32_t(bytes >> 32);
        data.sizeLow = uint32_t(bytes);
        data.fileName = entry.name;
        return data;
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

} // namespace qn3::platform::fileinfo
