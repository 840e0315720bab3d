#pragma once

#include <QDateTime>
#include <QStringView>

#include <cstdint>

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

} // namespace qn3::platform::fileinfo
