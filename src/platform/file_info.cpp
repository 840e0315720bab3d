#include "platform/file_info.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>

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

} // namespace qn3::platform::fileinfo
