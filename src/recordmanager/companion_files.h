#pragma once

// What SQLite finds beside a record file and would act on at its first read:
// the log (`-wal`), which it applies, and a rollback journal (`-journal`),
// which it plays back into the file. Judged here with plain reads, before
// SQLite sees them.
#include <cstdint>
#include <string>

namespace qn3::recordmanager::detail {

// What the log at `logPath` holds as SQLite's recovery reads it.
// - None: no log there.
// - Empty: nothing SQLite would apply: an empty file, or one whose header or
//   frames fail SQLite's checks (random bytes, zeros, a log of which no
//   transaction committed). The main file alone is the file.
// - Commits: at least one committed transaction; also a log that is no
//   regular file or cannot be read, which SQLite itself then judges.
enum class LogContent { None, Empty, Commits };
LogContent logContent(const std::string& logPath);

// Whether the log read through `fd` holds a committed transaction: a header
// with SQLite's magic, a page size SQLite accepts and a valid checksum, then
// frames of the header's salts with valid running checksums up to a commit
// frame. A log whose header is sound but of another version counts as
// holding commits: SQLite refuses such a log, and says so itself.
bool logHoldsCommit(int fd);

// A rollback journal beside a file that keeps a log belongs to another
// history (once made, our files only keep a log): played back, it would
// write old pages over the file. When one lies beside `hostPath` (a regular
// file whose first byte is not zero, as SQLite counts a journal hot), it is
// renamed `<file>-journal.stray-<yyyyMMdd-HHmmss>` (`-2`, `-3`... when that
// name is taken) and `aside` names it. Statuses: 0 (nothing there, or set
// aside), 85 when a process holds the file's reserved lock (`fd` is the main
// file: the journal is some writer's, alive), 46 or 2 when it cannot be
// renamed (left where it is).
int16_t setStrayJournalAside(const std::string& hostPath, int fd, std::string& aside);

// Gives a journal set aside its name back, unless something took the name
// meanwhile (it then stays aside).
void putJournalBack(const std::string& hostPath, const std::string& aside);

} // namespace qn3::recordmanager::detail
