#include "recordmanager/judged_vfs.h"

#include "platform/regular_file.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace qn3::recordmanager::judged_vfs {
namespace {

constexpr char VfsName[] = "qn3-judged";
// The URI parameter carrying the judged identity, "<device>:<inode>".
constexpr char IdentityParameter[] = "judged";

// The identity the main file must have, while the xOpen of a main file runs
// on this thread, and whether what the name held was it.
struct Expected {
    dev_t device = 0;
    ino_t inode = 0;
    bool met = true;
};

// Set by openMainFile for the length of one xOpen call and read by
// judgedOpen beneath it, on the same thread: the system call has no other
// way to learn which file it is meant to reach.
thread_local Expected* expectedOpen = nullptr;

// SQLite's "open" system call, replaced. The unix VFS keeps its system calls
// in one table for the whole process (xSetSystemCall of any unix VFS changes
// them for all), and it opens some files without its xOpen: the log's index
// (`-shm`) when the log is first read, and the folder it flushes. Replacing
// the system call is the one place every such open passes, so it is
// replaced once, before the record manager's first connection. Other
// connections of the process (none but the tests' stand-ins for other
// programs) then open through it too, which changes nothing for a regular
// file or a folder and only refuses what no database file may be.
//
// A name is judged and opened non-blocking, and the descriptor judged again
// (regular_file::open). A folder opened read-only is let through: SQLite
// opens the folder of a journal to flush it. Errors as the system gives
// them for such an entry, so SQLite answers SQLITE_CANTOPEN: EISDIR for a
// folder, ENXIO for a FIFO, device or socket, ESTALE for a main file that is
// not the one judged.
int judgedOpen(const char* path, int flags, int mode)
{
    // SQLite fills a descriptor 0 to 2 that an open returned (the process's
    // standard streams were closed) with the null device, so that no write
    // to a database can land on a standard stream.
    if (std::strcmp(path, "/dev/null") == 0)
        return ::open(path, flags, mode);
    using platform::regular_file::Opened;
    // Left non-blocking, which changes nothing for a regular file's reads and
    // writes and spares two system calls on every open.
    Opened opened = platform::regular_file::open(path, flags | O_NONBLOCK, static_cast<mode_t>(mode));
    const bool folder = opened.notRegular && S_ISDIR(opened.st.st_mode);
    if (folder && (flags & (O_ACCMODE | O_CREAT)) == O_RDONLY)
        opened = platform::regular_file::openFolder(path);
    int error = opened.notRegular ? (folder ? EISDIR : ENXIO) : opened.error;
    if (Expected* expected = expectedOpen) {
        if (opened.fd() >= 0
            && (!S_ISREG(opened.st.st_mode) || opened.st.st_dev != expected->device
                || opened.st.st_ino != expected->inode)) {
            opened = Opened();
            error = ESTALE;
        }
        // Not the judged file, or nothing (any more) at its name; a denied
        // write access is no sign of it (SQLite then opens read-only).
        if (opened.fd() < 0 && error != EACCES && error != EROFS && error != EPERM)
            expected->met = false;
    }
    if (opened.fd() < 0) {
        errno = error;
        return -1;
    }
    return opened.release();
}

// The registered VFS: the unix VFS under our name, with the xOpen below,
// which alone sees the URI of a main file and so the identity it must have.
// The functions it shares with the unix VFS use only what the copy keeps;
// the unix xOpen is called with the unix VFS itself.
struct Registered {
    sqlite3_vfs* unixVfs = nullptr;
    sqlite3_vfs judged {};
};

int openMainFile(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags);

Registered& registered()
{
    static Registered once = [] {
        Registered made;
        made.unixVfs = sqlite3_vfs_find("unix");
        made.unixVfs->xSetSystemCall(made.unixVfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(&judgedOpen));
        made.judged = *made.unixVfs;
        made.judged.pNext = nullptr;
        made.judged.zName = VfsName;
        made.judged.xOpen = &openMainFile;
        return made;
    }();
    return once;
}

// Reads "<device>:<inode>".
bool parseIdentity(const char* text, Expected& expected)
{
    uintmax_t device = 0, inode = 0;
    int used = 0;
    if (std::sscanf(text, "%" SCNuMAX ":%" SCNuMAX "%n", &device, &inode, &used) != 2 || text[used] != '\0')
        return false;
    expected.device = static_cast<dev_t>(device);
    expected.inode = static_cast<ino_t>(inode);
    return true;
}

// The unix VFS's xOpen; for a main file with a judged identity, the open
// beneath it must reach that file.
int openMainFile(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    sqlite3_vfs* unixVfs = registered().unixVfs;
    const char* identity
        = name && (flags & SQLITE_OPEN_MAIN_DB) ? sqlite3_uri_parameter(name, IdentityParameter) : nullptr;
    if (!identity)
        return unixVfs->xOpen(unixVfs, name, file, flags, outFlags);
    Expected expected;
    if (!parseIdentity(identity, expected))
        return SQLITE_CANTOPEN;
    expectedOpen = &expected;
    int rc = unixVfs->xOpen(unixVfs, name, file, flags, outFlags);
    expectedOpen = nullptr;
    if (rc == SQLITE_OK && !expected.met) {
        // Reached read-only after a read-write open met another file: the
        // name moved in between, so the file is no less in doubt.
        file->pMethods->xClose(file);
        file->pMethods = nullptr;
    }
    if (!expected.met)
        rc = SQLITE_BUSY;
    return rc;
}

} // namespace

const char* name()
{
    // Were it not registered, opens naming it would fail: never would they
    // fall back to the unix VFS unjudged.
    [[maybe_unused]] static const int registeredOnce = sqlite3_vfs_register(&registered().judged, 0);
    return VfsName;
}

std::string uri(const std::string& hostPath, const struct stat& judged)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text = "file:";
    for (const char c : hostPath) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || std::strchr("/-_.~", c)) {
            text += c;
        } else {
            text += '%';
            text += hex[b >> 4];
            text += hex[b & 15];
        }
    }
    return text + "?" + IdentityParameter + "=" + std::to_string(judged.st_dev) + ":" + std::to_string(judged.st_ino);
}

} // namespace qn3::recordmanager::judged_vfs
