#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <sys/stat.h>

// Host-side helpers: stat() on QString paths, the case-insensitive name
// lookup in a host folder, and the few steps every writer of host files
// shares (the record manager's too): reading a host path as text, writing a
// buffer whole, flushing a folder after a name changed in it.
namespace qn3::platform::hostfiles {

// A host path (or name) as the file system holds it, bytes in the locale's
// encoding, turned into text: the one decoding of host paths, QFile's.
QString pathString(QByteArrayView hostPath);

// Writes all of `bytes` to `fd`, going on after an interruption; 0, or the
// errno of the write that failed (one that writes nothing counts as a full
// disk, ENOSPC).
int writeAll(int fd, QByteArrayView bytes);

// Makes what changed in the folder holding `hostPath` (the name made,
// renamed or removed there) survive a power loss by flushing the folder.
// Best effort: a folder that cannot be opened is left as it is.
void syncFolderOf(const QString& hostPath);

// stat() (following links) of a host path; false when it cannot be reached.
bool statPath(const QString& path, struct stat& result);

// The entry of host folder `folder` named `name`: that exact spelling when
// it exists, else the one equal ignoring case (Windows folding: both
// upper-cased), else an empty string. Between several other spellings the
// first in binary order wins, so the answer does not depend on readdir
// order. `folderStat` is the folder's current stat(): a cached listing is
// used only while the folder's identity and change times are unchanged, so
// a lookup costs no system call while the folder stays as it was.
QString findName(const QString& folder, const struct stat& folderStat, const QString& name);

// What identifies one state of a folder: a cached answer built from the folder
// stays valid while the stamp is equal and was trustworthy when taken.
struct FolderStamp {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    // False while the folder changed too recently for a further change to be
    // sure to move its times (file times tick coarsely): such a listing is
    // read again at the next use.
    bool trustworthy = false;

    static FolderStamp of(const struct stat& folderStat);
    bool stillValidFor(const struct stat& folderStat) const;
};

} // namespace qn3::platform::hostfiles
