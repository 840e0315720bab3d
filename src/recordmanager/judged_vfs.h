#pragma once

// The one way the record manager's connections reach their files. Every
// file SQLite opens for a record file (the main file, its `-wal`, `-shm` and
// `-journal`, the folder it flushes) goes through the platform's judged open
// (regular_file): a FIFO, device or socket at any of those names is refused
// at once (SQLite answers SQLITE_CANTOPEN) and never opened, so it can
// neither hold an open nor be read as a file. And the main file SQLite opens
// is the very file the caller judged (same device and inode), else the open
// answers SQLITE_BUSY: the name was given to another entry since, and a
// later try judges it anew.
#include <string>
#include <sys/stat.h>

namespace qn3::recordmanager::judged_vfs {

// The VFS's name, for sqlite3_open_v2; registered at the first call (safe
// from any thread), before any connection of the record manager.
const char* name();

// The URI (to open with SQLITE_OPEN_URI) naming `hostPath`, whose main file
// must be the file `judged` describes. More parameters follow after "&".
std::string uri(const std::string& hostPath, const struct stat& judged);

} // namespace qn3::recordmanager::judged_vfs
