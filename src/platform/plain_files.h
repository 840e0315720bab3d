#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The plain file calls of the run time and the kernel (Open for Append,
// Kill, MkDir, FileLen, Dir), on Windows paths. Failures are RuntimeErrors
// with the run-time numbers: 53 file not found, 76 path not found, 75 access.
namespace qn3::platform::files {

// True when an entry (file or folder) answers the name, whatever its case.
// Throws 52 for a name that cannot be mapped.
bool exists(QStringView windowsPath);
bool isFolder(QStringView windowsPath);

// What answers a name, judged by stat alone: the entry is never opened, so a
// FIFO cannot hold the caller. Throws 52 for a name that cannot be mapped.
enum class EntryKind { Missing, Regular, Folder, Other };
struct Entry {
    EntryKind kind = EntryKind::Missing;
    int64_t size = 0; // of a regular file
};
Entry entry(QStringView windowsPath);

// Appends `bytes` to the file in one write, making the file when missing
// (not its folder). A name that is not a regular file (a FIFO, a device) is
// refused with 75, never opened. A write that fails half-way is taken back to the file's
// previous size, so the caller can write the same bytes again later.
void append(QStringView windowsPath, QByteArrayView bytes);

// A new version of a file, made beside it and put in its place whole, so
// that a reader sees the old file or the new one, never a part. beginAside()
// makes the new version as a copy of the file (empty when it is missing) and
// gives its Windows name, for the caller's writes; a file that is not a
// regular one, or too big to be a settings file, is refused (75).
// putAsideInPlace() replaces the file by it at once. A version left by a
// process that ended first goes at the next beginAside() or locked write of
// the file.
QString beginAside(QStringView windowsPath);
void putAsideInPlace(QStringView asideWindowsPath, QStringView windowsPath);

// Deletes one file.
void remove(QStringView windowsPath);

// Makes one folder level; a folder already there is no failure, a file of
// that name is (75).
void makeFolder(QStringView windowsPath);

// The size of a regular file that can be opened for reading; nothing for a
// folder, a FIFO, a device or a file that cannot be opened.
std::optional<int64_t> readableSize(QStringView windowsPath);

} // namespace qn3::platform::files
