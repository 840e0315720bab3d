#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

// Whole-file replacement that a crash cannot tear, the guarded whole-file
// read that goes with it, and the lock that makes read-change-replace one
// step between processes.
//
// The new content goes to a sibling temporary file in the same folder, is
// flushed to disk, and is renamed over the target; the folder is flushed too.
// A reader therefore opens either the old file or the new one, never a mix,
// and a process killed at any instant leaves the old or the new file whole.
// An existing target keeps its permission bits and its `user.*` extended
// attributes (user.DOSATTRIB holds the DOS attributes); a symbolic link is
// followed so the link itself survives.
namespace qn3::platform::atomic_file {

// Replaces (or creates) `hostPath` with `content`. Returns 0 on success, else
// the errno of the step that failed; the target is then left as it was and
// the temporary file is removed. The target's folder must exist. `mode`,
// when given, is the new file's permission bits whatever the old file had.
// A folder, FIFO, socket or device at the target is never replaced (EPERM).
int replace(const QString& hostPath, QByteArrayView content, std::optional<mode_t> mode = std::nullopt);

// The two halves of replace(), for a caller that changes the new content in
// between. writeTemporary() writes `content` to a new sibling temporary file
// of `hostPath`, flushed, with the mode and attributes replace() would give;
// it returns its path, or an empty string with `error` set. putInPlace()
// renames it over `hostPath` (0, else the errno; the temporary file is then
// removed). A temporary file its writer left behind is removed by the next
// Lock of `hostPath` once that writer has ended.
QString writeTemporary(const QString& hostPath, QByteArrayView content, int& error,
                       std::optional<mode_t> mode = std::nullopt);
int putInPlace(const QString& temporary, const QString& hostPath);

// The largest file read whole: settings files and hives are far smaller, and
// a bigger one is refused rather than allowed to flood memory.
inline constexpr qint64 maxReadSize = 64 * 1024 * 1024;

enum class ReadStatus {
    Ok,
    Missing,    // no such file (or a missing folder on the way)
    NotRegular, // a folder, FIFO, socket or device: never opened for reading
    TooLarge,   // more than the limit
    Failed,     // it exists but cannot be read (permissions, I/O)
};

struct Contents {
    ReadStatus status = ReadStatus::Failed;
    int error = 0; // errno for Missing and Failed
    QByteArray bytes;
    struct stat st {}; // of the very file read (Ok, NotRegular, TooLarge)
};

// Reads a regular file whole without ever blocking on a FIFO or reading a
// device, and never more than `limit` bytes, even from a file that grows.
Contents read(const QString& hostPath, qint64 limit = maxReadSize);

// An exclusive lock serialising every read-change-replace of the files of
// one folder between processes, held for the object's lifetime. It is taken
// on the folder of the real file (links followed), because the file itself
// changes inode at each replacement. Taking it also removes the temporary
// files that killed writers left for that file. Where the folder cannot be
// locked (some network file systems), writes go on unserialised.
class Lock {
public:
    explicit Lock(const QString& hostPath);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Removes the temporary files of `hostPath` whose writer process no longer
// exists. Call it only while holding the lock that serialises its writers.
void removeStaleTemporaries(const QString& hostPath);

} // namespace qn3::platform::atomic_file
