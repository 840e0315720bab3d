#pragma once

#include <QString>

#include <sys/types.h>

// Opening a file by name without ever blocking on it. Opening a FIFO waits
// for a partner for ever and opening a device has effects of its own, so a
// name is judged by stat() first and only a regular file (or, with O_CREAT, a
// missing one) is opened; the descriptor is judged again by fstat(), since
// the name may have been replaced between the two.
namespace qn3::platform::regular_file {

struct Opened {
    int fd = -1;             // the open descriptor, or -1
    int error = 0;           // errno of the failed step when fd is -1 and the entry is not refused
    bool notRegular = false; // the entry is a folder, FIFO, socket or device: refused
};

// Opens `hostPath` with `flags` (O_CLOEXEC and O_NOCTTY are added; the open
// itself is non-blocking, and the descriptor is blocking again afterwards).
Opened open(const QString& hostPath, int flags, mode_t mode = 0666);

} // namespace qn3::platform::regular_file
