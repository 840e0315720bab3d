#pragma once

#include <QDateTime>
#include <QStringView>

#include <cstdint>

// A file opened for reading and writing without sharing (CreateFileA with
// GENERIC_READ | GENERIC_WRITE, share mode 0, OPEN_EXISTING), asked for its
// information by handle and closed again.
//
// Linux has no share modes, so "cannot be opened without sharing" means here:
// the file is missing or a folder, it is read-only (attributes.h: no write
// bit, also for root, whom Windows would refuse too), it cannot be opened for
// writing, or another open of it holds a POSIX or open-file-description lock
// (the counterpart of a program that opened it, even sharing reads). While
// the information is read, the file carries a write lock of its own, so
// another program that checks locks is refused at that instant.
namespace qn3::platform::exclusive {

struct FileInformation {
    bool opened = false;   // the exclusive open succeeded
    bool informed = false; // and the information could be read
    QDateTime lastWriteUtc;  // whole seconds, UTC
    QDateTime lastAccessUtc; // whole seconds, UTC
    int64_t size = 0;
};

// Never throws: a file that cannot be had gives `opened` false.
FileInformation readInformation(QStringView windowsPath) noexcept;

} // namespace qn3::platform::exclusive
