#pragma once

#include "platform/installable.h"

#include <QString>

#include <cstdint>
#include <memory>

#include <sys/types.h>

// The shell's file operation (SHFileOperationA) for copying and deleting,
// with the shell's result codes. No question is ever shown: every call runs
// as if FOF_NO_UI were set, so nothing here waits for a user.
namespace qn3::platform::shell {

namespace operations {
inline constexpr uint32_t Copy = 2;   // FO_COPY
inline constexpr uint32_t Delete = 3; // FO_DELETE
} // namespace operations

namespace flags {
inline constexpr uint16_t Silent = 0x0004;
inline constexpr uint16_t NoConfirmation = 0x0010;
inline constexpr uint16_t FilesOnly = 0x0080;       // wildcards match files only
inline constexpr uint16_t NoConfirmMkdir = 0x0200;
inline constexpr uint16_t NoErrorUi = 0x0400;
inline constexpr uint16_t NoRecursion = 0x1000;     // a copied folder brings its files, not its sub-folders
} // namespace flags

namespace codes {
inline constexpr int32_t Success = 0;
inline constexpr int32_t FileNotFound = 2;
inline constexpr int32_t PathNotFound = 3;
inline constexpr int32_t AccessDenied = 5;
inline constexpr int32_t OutOfMemory = 14;
inline constexpr int32_t SharingViolation = 32; // in use (locked) by another program
inline constexpr int32_t BadNetPath = 53;
inline constexpr int32_t InvalidParameter = 87;
inline constexpr int32_t DiskFull = 112;
inline constexpr int32_t SameFile = 0x71;
inline constexpr int32_t RootFolder = 0x74;      // DE_ROOTDIR
inline constexpr int32_t DestinationInsideSource = 0x76;
inline constexpr int32_t InvalidFiles = 0x7C;
inline constexpr int32_t FileOntoFolder = 0x80;
inline constexpr int32_t UnknownError = 1026;   // a path the platform cannot take
inline constexpr int32_t Cancelled = 1223;      // never produced: nothing here can cancel
} // namespace codes

// The shell operation record (SHFILEOPSTRUCTA): the members the program fills.
struct FileOperation {
    int32_t owner = 0;      // owner window; no window is ever shown
    uint32_t operation = 0; // operations::Copy or Delete
    QString from;           // Windows path(s); several are separated by NUL characters
    QString to;             // copy only: the target file, or the folder for several sources
    uint16_t flags = 0;
};

// Contract of the standard implementation:
// - Every source is checked before anything is done: a missing source gives 2
//   and nothing is copied or deleted (a folder is not made). A drive or share
//   root as a source ("C:\", "\\server\share") gives 0x74. Deleting a name
//   whose folder is missing gives 0x7C; a missing network share gives 53.
// - Wildcards (* and ?) may stand in the last part of a source, matched
//   without regard to case; with FilesOnly they match files only. A wildcard
//   matching nothing does nothing and gives 0.
// - Copy: one source onto a name that is not a folder copies to that name;
//   several sources, a wildcard, or a folder target copy into the folder.
//   Missing target folders are made. An existing target is replaced, even a
//   read-only one. Each file is written to a sibling temporary file and renamed
//   into place, so a target is never left half written; the copy keeps the
//   source's last-write time and attributes plus archive. The source is never
//   changed. Folders are copied with their content (files only with
//   NoRecursion). The content goes through the kernel (sendfile), or is read
//   and written where the kernel or the file system refuses that (EINVAL,
//   ENOSYS). A file onto itself gives 0x71, a folder into itself 0x76.
//   A FIFO, socket or device, as a source or at a target, gives 5: it is
//   neither opened nor replaced.
// - Delete: files, and folders with all their content; a link is removed,
//   never what it points to.
// - A file locked by another program (a POSIX or open-file-description lock:
//   a write lock for a copy, any lock for a delete) gives 32. Other failures
//   give 5 (access), 112 (disk full), 14 (memory), 3 (path), 1026 otherwise.
// - Any other operation gives 87.
class FileOperations : public Installable<FileOperations> {
public:
    virtual ~FileOperations() = default;
    // SHFileOperationA: 0 on success, else the shell's code.
    virtual int32_t run(const FileOperation& operation) = 0;

    static FileOperations& standard();

    // sendfile(2)'s shape: the kernel copies from one descriptor to another.
    using SendFile = ssize_t (*)(int outFd, int inFd, off_t* offset, size_t count);
    // The standard implementation moving file contents with `send` in place
    // of sendfile(2), so a test can stand in a kernel or a file system that
    // refuses it.
    static std::unique_ptr<FileOperations> standardWith(SendFile send);
};

// FileOperations::current().run(operation).
int32_t fileOperation(const FileOperation& operation);

} // namespace qn3::platform::shell
