#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

// Opening a file by name without ever blocking on it. Opening a FIFO waits
// for a partner for ever and opening a device has effects of its own, so a
// name is judged by stat() first and only a regular file (or, with O_CREAT, a
// missing one) is opened; the descriptor is judged again by fstat(), since
// the name may have been replaced between the two. Every open by name of the
// platform goes through here.
namespace qn3::platform::regular_file {

struct Opened {
    int fd = -1;             // the open descriptor, or -1
    int error = 0;           // errno of the failed step when fd is -1 and the entry is not refused
    bool notRegular = false; // the entry is a folder, FIFO, socket or device: refused
    struct stat st {};       // what was judged: the descriptor's status, else the name's when it was there
};

// Opens `hostPath` with `flags` (O_CLOEXEC and O_NOCTTY are added; the open
// itself is non-blocking, and the descriptor is blocking again afterwards).
Opened open(const QString& hostPath, int flags, mode_t mode = 0666);

// Makes and opens (read and write, mode 0600) a new file whose name is
// `pathTemplate` with its last six characters, "XXXXXX", made unique in
// place. O_CREAT | O_EXCL: nothing that was there is ever opened.
Opened createUnique(QByteArray& pathTemplate);

// Opens a folder read-only (to list it, flush it or lock it); anything else
// at the name is refused without being opened (error ENOTDIR).
Opened openFolder(const QString& hostPath);

} // namespace qn3::platform::regular_file
