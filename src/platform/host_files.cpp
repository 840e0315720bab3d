#include "platform/host_files.h"

#include "platform/regular_file.h"
#include "platform/wildcard.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <cerrno>
#include <dirent.h>
#include <time.h>
#include <unistd.h>

namespace qn3::platform::hostfiles {
namespace {

int64_t nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

// File times come from the kernel's coarse clock (one tick can be 10 ms): a
// folder changed twice within a tick keeps the same times. A listing taken
// well after the folder's last change is safe to cache, since any later
// change must then move the times ("racy git" reasoning).
constexpr int64_t racyWindowNs = 50'000'000;

struct FolderNames {
    FolderStamp stamp;
    // The first spelling (binary order) of each upper-cased name ...
    QHash<QString, QString> byUpperCase;
    // ... and the rare other spellings, so an exact name is always known.
    QSet<QString> otherSpellings;
};

// Listings by folder path. Bounded: a program walking a huge tree must not
// grow it without end; dropping everything at once keeps it simple and the
// cost is one re-read per folder.
struct NameCache {
    QMutex mutex;
    QHash<QString, FolderNames> folders;
};
constexpr qsizetype maxCachedFolders = 4096;

NameCache& nameCache()
{
    static NameCache cache;
    return cache;
}

FolderNames readFolder(const QString& folder, const struct stat& folderStat)
{
    FolderNames names;
    names.stamp = FolderStamp::of(folderStat);
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0)))
            continue;
        QString name = pathString(raw);
        QString& kept = names.byUpperCase[wildcard::upperCase(name)];
        if (kept.isEmpty()) {
            kept = name;
            continue;
        }
        if (name < kept)
            std::swap(kept, name);
        names.otherSpellings.insert(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace

FolderStamp FolderStamp::of(const struct stat& folderStat)
{
    FolderStamp stamp;
    stamp.device = folderStat.st_dev;
    stamp.inode = folderStat.st_ino;
    stamp.modifiedNs = nanoseconds(folderStat.st_mtim);
    stamp.changedNs = nanoseconds(folderStat.st_ctim);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // Any later change of an entry sets the modification time to "now": once
    // the listing is taken a window after it, such a change cannot go unseen.
    stamp.trustworthy = stamp.modifiedNs + racyWindowNs < nanoseconds(now);
    return stamp;
}

bool FolderStamp::stillValidFor(const struct stat& folderStat) const
{
    return trustworthy && device == folderStat.st_dev && inode == folderStat.st_ino
        && modifiedNs == nanoseconds(folderStat.st_mtim) && changedNs == nanoseconds(folderStat.st_ctim);
}

QString pathString(QByteArrayView hostPath) { return QFile::decodeName(hostPath.toByteArray()); }

int writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        data += written;
        left -= written;
    }
    return 0;
}

void syncFolderOf(const QString& hostPath)
{
    const regular_file::Opened folder = regular_file::openFolder(QFileInfo(hostPath).absolutePath());
    if (folder.fd() >= 0)
        ::fsync(folder.fd());
}

bool statPath(const QString& path, struct stat& result)
{
    return ::stat(QFile::encodeName(path).constData(), &result) == 0;
}

QString findName(const QString& folder, const struct stat& folderStat, const QString& name)
{
    const QString upper = wildcard::upperCase(name);
    NameCache& cache = nameCache();
    QMutexLocker lock(&cache.mutex);
    auto it = cache.folders.find(folder);
    if (it == cache.folders.end() || !it->stamp.stillValidFor(folderStat)) {
        if (cache.folders.size() >= maxCachedFolders)
            cache.folders.clear();
        it = cache.folders.insert(folder, readFolder(folder, folderStat));
    }
    const QString first = it->byUpperCase.value(upper);
    if (first.isEmpty() || first == name || !it->otherSpellings.contains(name))
        return first;
    return name;
}

} // namespace qn3::platform::hostfiles
