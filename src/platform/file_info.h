#pragma once

#include <QDateTime>
#include <QStringView>

#include <QString>

#include <cstdint>
#include <optional>

// Size, times and free space of files on this machine, through Windows paths.
namespace qn3::platform::fileinfo {

struct FileTimes {
    QDateTime creation;   // birth time where the file system keeps one, else the last change
    QDateTime lastAccess;
    QDateTime lastWrite;
};

// The size in bytes of a file (a folder gives 0, as a find-data record does).
// Throws RuntimeError 53/76 for a missing file or folder, other numbers from
// the errno table.
int64_t size(QStringView windowsPath);

// The times of a file or folder, in local time, to the millisecond. Throws
// as size().
FileTimes times(QStringView windowsPath);

// The bytes free for this user on the drive or share holding `root` ("C:\",
// or any path on it), as GetDiskFreeSpaceA counts them. Throws RuntimeError
// when the path cannot be mapped or does not exist.
double freeBytes(QStringView root);

// A file time as Windows keeps it: 100-nanosecond intervals since
// 1 January 1601, UTC.
using FileTime = uint64_t;

// The UTC date and time of a file time, to the millisecond.
QDateTime fromFileTime(FileTime time);

// The find-data record of one directory entry (WIN32_FIND_DATA).
struct FindData {
    uint32_t attributes = 0;
    FileTime creationTime = 0;
    FileTime lastAccessTime = 0;
    FileTime lastWriteTime = 0;
    uint32_t sizeHigh = 0;
    uint32_t sizeLow = 0;
    uint32_t reserved0 = 0;
    uint32_t reserved1 = 0;
    QString fileName;
    QString alternateFileName; // no short names on this system: always empty
};

// FindFirstFileA: the entry of the first match of `windowsPattern` (a name,
// or a mask in its last part), in the listing's order. Nothing when nothing
// matches or the path cannot be looked at (never throws for that).
std::optional<FindData> findFirst(QStringView windowsPattern);

} // namespace qn3::platform::fileinfo
