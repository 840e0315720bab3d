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

// What an open found, and the descriptor it opened: its one owner, which
// closes it when it goes (closing a descriptor also drops the process's
// POSIX locks on the file) unless `release` handed it on.
class Opened {
public:
    Opened() = default;
    Opened(Opened&& other) noexcept;
    Opened& operator=(Opened&& other) noexcept;
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ~Opened();

    // The open descriptor, or -1. Not of a temporary, whose descriptor is
    // already closed once the statement ends: keep the Opened, or release().
    int fd() const& { return fd_; }
    int fd() const&& = delete;
    // The descriptor, now the caller's to close; this keeps -1.
    int release();

    int error = 0;           // errno of the failed step when fd() is -1 and the entry is not refused
    bool notRegular = false; // open, createUnique: the entry is a folder, FIFO, socket or device: refused
    bool notFolder = false;  // openFolder: the entry is there and is no folder (error ENOTDIR): refused
    struct stat st {};       // what was judged: the descriptor's status, else the name's when it was there

private:
    friend Opened judged(int fd, mode_t wanted, Opened result);
    int fd_ = -1;
};

// Opens `hostPath` with `flags` (O_CLOEXEC and O_NOCTTY are added; the open
// itself is non-blocking, and the descriptor is blocking again afterwards
// unless `flags` holds O_NONBLOCK).
Opened open(const QString& hostPath, int flags, mode_t mode = 0666);
// The same for a name already in the host's bytes.
Opened open(const char* hostPath, int flags, mode_t mode = 0666);

// Makes and opens (read and write, mode 0600) a new file whose name is
// `pathTemplate` with its last six characters, "XXXXXX", made unique in
// place. O_CREAT | O_EXCL: nothing that was there is ever opened.
Opened createUnique(QByteArray& pathTemplate);

// Opens a folder read-only (to list it, flush it or lock it); anything else
// at the name is refused without being opened (`notFolder`, error ENOTDIR).
Opened openFolder(const QString& hostPath);
Opened openFolder(const char* hostPath);

} // namespace qn3::platform::regular_file
