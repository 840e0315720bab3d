// Judging an existing file and opening it.
#include "recordmanager/record_file.h"

#include "platform/host_files.h"
#include "platform/regular_file.h"

#include "recordmanager/companion_files.h"
#include "recordmanager/judged_vfs.h"
#include "recordmanager/plain_schema.h"
#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::recordmanager {

using namespace detail;

namespace {

constexpr char SqliteMagic[16] = "SQLite format 3";
constexpr off_t ApplicationIdOffset = 68;

// Reads the stored layout and checks that the schema is exactly the one this
// engine makes for it, reading only: a file that fails here is left exactly
// as it was. Any other table, index, trigger or view, or one of ours made
// otherwise (a column more or in another place, an index over other columns
// or of another uniqueness), would change what the engine's statements do:
// an insert that a trigger undoes, a duplicate let into a unique key. This is
// the first read of the file, where SQLite meets its log, so its failures say
// more than "not ours" (see statusOfOpenFailure). One statement, so one read
// transaction: the schema is in memory once it has run. `record_file` holds
// one row: a second step must find none.
int16_t readLayout(sqlite3* db, FileLayout& layout)
{
    constexpr char Separator = '\x1e';
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT format, layout, (SELECT group_concat(type || ' ' || name || ' ' || tbl_name || "
                                "' ' || ifnull(sql, ''), char(30)) FROM sqlite_master) FROM record_file",
                                -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = stepAwaitingWriter(statement);
    int16_t result = status::NotARecordFile;
    if (rc == SQLITE_ROW) {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, 1));
        const int size = sqlite3_column_bytes(statement, 1);
        const auto* entries = reinterpret_cast<const char*>(sqlite3_column_text(statement, 2));
        if (bytes && entries) {
            std::vector<std::string> found;
            for (std::string_view rest = entries;;) {
                const size_t cut = rest.find(Separator);
                found.emplace_back(rest.substr(0, cut));
                if (cut == std::string_view::npos)
                    break;
                rest.remove_prefix(cut + 1);
            }
            result = judgeSchema(sqlite3_column_int64(statement, 0), {bytes, static_cast<size_t>(size)},
                                 std::move(found), layout);
        }
        if (result == status::Success && (rc = sqlite3_step(statement)) != SQLITE_DONE)
            result = rc == SQLITE_ROW ? status::NotARecordFile : statusOfOpenFailure(db, sqlite3_extended_errcode(db));
    } else if (rc != SQLITE_DONE) {
        result = statusOfOpenFailure(db, sqlite3_extended_errcode(db));
    }
    sqlite3_finalize(statement);
    return result;
}

// Our files begin with SQLite's header and carry our application id. Read
// with plain reads, so a foreign file never reaches SQLite (which could roll
// back its journal or checkpoint its log, changing it). `logMode`: the
// header's read and write versions say the file keeps a log (WAL).
bool hasOurHeader(int fd, bool& logMode)
{
    unsigned char header[100];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return false;
    if (std::memcmp(header, SqliteMagic, sizeof SqliteMagic) != 0)
        return false;
    const unsigned char* id = header + ApplicationIdOffset;
    const int applicationId = (id[0] << 24) | (id[1] << 16) | (id[2] << 8) | id[3];
    logMode = header[18] == 2 && header[19] == 2;
    return applicationId == ApplicationId;
}

// The size of the log beside `hostPath`, -1 when there is none.
off_t logSize(const std::string& hostPath)
{
    struct stat log {};
    return ::stat((hostPath + "-wal").c_str(), &log) == 0 ? log.st_size : -1;
}

// Whether nothing or a regular file is at `path`; `size` is its size, -1
// when nothing is there.
bool missingOrRegular(const std::string& path, off_t& size)
{
    struct stat entry {};
    if (::stat(path.c_str(), &entry) != 0)
        return true;
    size = entry.st_size;
    return S_ISREG(entry.st_mode);
}

// What lies beside a file, looked at once per open: sizes, -1 when missing.
struct Companions {
    off_t log = -1, index = -1, journal = -1;
    bool regular = true; // none is a folder, FIFO, device or socket

    explicit Companions(const std::string& hostPath)
        : regular(missingOrRegular(hostPath + "-wal", log) && missingOrRegular(hostPath + "-shm", index)
                  && missingOrRegular(hostPath + "-journal", journal))
    {
    }
};

// Reads the layout through a connection of its own, opened on `uri`, and
// lets it go without a checkpoint.
int16_t readLayoutThrough(const std::string& uri, int flags, const char* pragma, FileLayout& layout)
{
    sqlite3* db = nullptr;
    int16_t result = status::NotARecordFile;
    const int rc =
        sqlite3_open_v2(uri.c_str(), &db, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, judged_vfs::name());
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        if (!pragma || sqlite3_exec(db, pragma, nullptr, nullptr, nullptr) == SQLITE_OK)
            result = readLayout(db, layout);
    } else {
        result = statusOfOpenFailure(db, rc);
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(db);
    return result;
}

// Judges the main file alone, reading only. Its pages are read plainly
// where they lie as in a small file of ours (a connection costs more than
// the open itself); any other file, and one that fails there, is read
// through SQLite as immutable: SQLite then takes no lock, makes no log or
// index, and ignores any rollback journal (which it would otherwise play
// back into a file that is then refused). The working connection reads the
// file again through SQLite at its first read.
int16_t judgeAlone(int fd, const std::string& uri, FileLayout& layout)
{
    PlainSchema schema;
    if (readPlainSchema(fd, schema) &&
        judgeSchema(schema.format, {reinterpret_cast<const uint8_t*>(schema.layout.data()), schema.layout.size()},
                    std::move(schema.entries), layout) == status::Success)
        return status::Success;
    return readLayoutThrough(uri + "&immutable=1", SQLITE_OPEN_READONLY, nullptr, layout);
}

// Judges the file with whatever its log holds, changing neither of them nor
// making anything beside them, where the connection the file keeps would.
// `uri` names the file judged (judged_vfs::uri), `beside` its companions as
// the open found them. Then:
// - with no log, a log that holds no commit (empty, or bytes in which SQLite
//   finds no valid frame), or a file that keeps no log, the main file alone
//   is the file, judged alone: where the connection the file keeps would
//   rebuild the log's index (when no process has the file open), this reads
//   without writing anything;
// - a log that holds commits is read with its index opened read-only: SQLite
//   then builds the index in its own memory when no process keeps the file's
//   up to date, and writes nothing;
// - a log holding commits without its index is read in exclusive locking
//   mode, where SQLite keeps the index in memory alone; the file is locked
//   while it is read (85 when someone holds it), which needs the right to
//   write it.
int16_t judge(int fd, const std::string& hostPath, const std::string& uri, const Companions& beside, bool logMode,
              bool writable, FileLayout& layout)
{
    if (!logMode || beside.log <= 0 || logContent(hostPath + "-wal") != LogContent::Commits)
        return judgeAlone(fd, uri, layout);
    if (beside.index >= 0)
        return readLayoutThrough(uri + "&readonly_shm=1", SQLITE_OPEN_READONLY, nullptr, layout);
    if (!writable)
        return status::AccessDenied;
    return readLayoutThrough(uri, SQLITE_OPEN_READWRITE, "PRAGMA locking_mode = EXCLUSIVE", layout);
}

// The log, when it holds nothing, and its index, as a connection made them.
void removeEmptyCompanions(const std::string& hostPath)
{
    struct stat log {};
    if (::lstat((hostPath + "-wal").c_str(), &log) != 0 || !S_ISREG(log.st_mode) || log.st_size != 0)
        return;
    struct stat index {};
    if (::lstat((hostPath + "-shm").c_str(), &index) == 0 && S_ISREG(index.st_mode))
        ::unlink((hostPath + "-shm").c_str());
    ::unlink((hostPath + "-wal").c_str());
}

int64_t nanoseconds(const timespec& time) { return int64_t{time.tv_sec} * 1000000000 + time.tv_nsec; }

} // namespace

RecordFile::~RecordFile()
{
    dropStatements();
    if (db_)
        sqlite3_close(db_);
    // After SQLite has closed: closing any descriptor of a file drops the
    // process's POSIX locks on it, SQLite's among them.
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

int16_t RecordFile::open(const std::string& hostPath, bool exclusive, std::unique_ptr<RecordFile>& out)
{
    std::unique_ptr<RecordFile> file(new RecordFile);
    file->hostPath_ = hostPath;
    file->writable_ = true;
    // Judged by name before it is opened, so a FIFO or a device put in a
    // record file's place is never opened (a FIFO would hold the open until a
    // writer came, a device has effects of its own).
    // Kept non-blocking: it is only read with pread and locked, which a
    // regular file serves alike either way.
    const QString name = platform::hostfiles::pathString(hostPath);
    platform::regular_file::Opened opened = platform::regular_file::open(name, O_RDWR | O_NONBLOCK);
    if (opened.fd() < 0 && (opened.error == EACCES || opened.error == EROFS)) {
        file->writable_ = false;
        opened = platform::regular_file::open(name, O_RDONLY | O_NONBLOCK);
    }
    if (opened.notRegular || opened.error == EISDIR)
        return status::NotARecordFile;
    if (opened.fd() < 0)
        return statusOfErrno(opened.error);
    file->uri_ = judged_vfs::uri(hostPath, opened.st);
    file->lockFd_ = opened.release();
    bool logMode = false;
    if (!hasOurHeader(file->lockFd_, logMode))
        return status::NotARecordFile;
    if (exclusive && !file->writable_)
        return status::AccessDenied;
    if (!lockOpenMode(file->lockFd_, exclusive))
        return status::IncompatibleMode;
    // A rollback journal beside a file that keeps a log is no part of it:
    // set aside before SQLite meets it, and given its name back when the open
    // fails, so a refused file keeps everything beside it. One that a reader
    // without write rights cannot move stays: SQLite never plays a journal
    // back through a read-only connection.
    // A companion that is no regular file (a FIFO, a device, a folder at the
    // log's, its index's or a journal's name) belongs to no file of ours and
    // refuses the file as it would in the file's own place; SQLite could not
    // open it anyway (judged_vfs), and would answer "cannot open" at some read.
    const Companions beside(hostPath);
    if (!beside.regular)
        return status::NotARecordFile;
    std::string strayJournal;
    if (logMode && beside.journal > 0) {
        const int16_t aside = setStrayJournalAside(hostPath, file->lockFd_, strayJournal);
        if (aside != status::Success && (aside != status::AccessDenied || file->writable_))
            return aside;
    }
    // Judged first without a trace, since the connection the file keeps makes
    // the log and its index beside it and rebuilds the index when nobody has
    // it open. A file of ours keeps a log and is judged with it: a writer
    // killed in the middle of a checkpoint leaves a main file that is whole
    // only with its log.
    int16_t result = judge(file->lockFd_, hostPath, file->uri_, beside, logMode, file->writable_, file->layout_);
    bool immutable = false;
    if (result == status::Success)
        result = file->connect(logMode, file->db_, file->layout_, immutable);
    if (result != status::Success) {
        // The plain reading of the schema may pass a damage that SQLite then
        // finds, once the working connection has made the log and its index:
        // a refused file keeps nothing beside it. Only beside a file that had
        // none and only for damage, which no other connection gets past, so
        // nobody else can be using what is removed.
        if (beside.log < 0 && beside.index < 0 && (result == status::NotARecordFile || result == status::IoError))
            removeEmptyCompanions(hostPath);
        putJournalBack(hostPath, strayJournal);
        return result;
    }
    if (immutable) {
        file->writable_ = false;
        file->immutable_ = true;
    }
    if (exclusive && !file->writable_)
        return status::AccessDenied;
    file->setUp(logMode);
    out = std::move(file);
    return status::Success;
}

// Settings and statements of a new connection.
void RecordFile::setUp(bool logMode)
{
    // A process killed at any instant keeps every committed write with WAL
    // and NORMAL; only a power loss may take back the last commits.
    // A page cache of up to 64 MB per file keeps a file of 100,000 records
    // in memory; it grows only as pages are read.
    sqlite3_exec(db_, "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536; PRAGMA journal_size_limit = 4194304",
                 nullptr, nullptr, nullptr);
    // The log and its index stay beside the file after the last close, the
    // log emptied: making and removing both at every open and close cost more
    // than the open itself, and changed the folder each time.
    int persist = 1;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    statements_.assign(KeyedKinds * layout_.keys.size() + UnkeyedKinds, nullptr);
    updates_.assign(size_t{1} << layout_.keys.size(), nullptr);
    keyScratch_.resize(layout_.keys.size());
    // The log's shared index is mapped by SQLite once the file has been read
    // in log mode; its header tells cheaply whether anyone committed. A file
    // without a log simply takes a fresh snapshot per read.
    logIndex_ = nullptr;
    sqlite3_file* handle = nullptr;
    if (logMode && !immutable_ && sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &handle) == SQLITE_OK &&
        handle && handle->pMethods && handle->pMethods->iVersion >= 2 && handle->pMethods->xShmMap) {
        volatile void* region = nullptr;
        if (handle->pMethods->xShmMap(handle, 0, 32768, 0, &region) == SQLITE_OK && region)
            logIndex_ = static_cast<const volatile unsigned char*>(region);
    }
}

void RecordFile::dropStatements()
{
    endRead();
    for (sqlite3_stmt*& statement : statements_)
        sqlite3_finalize(std::exchange(statement, nullptr));
    for (sqlite3_stmt*& statement : updates_)
        sqlite3_finalize(std::exchange(statement, nullptr));
}

// The connection the file keeps, read-write when the file may be written.
// A folder (or file) we may not write, with no log or index beside the file
// yet, cannot give SQLite the log's index it wants: with no log there is
// nothing to apply, and the file is read alone, read-only (`immutable`),
// until someone writes it (see catchUp). With a log that cannot be read, the
// answer is 46: reading without it would show the file as it was before its
// last commits.
//
// Without the right to write the index, SQLite reads the log through a copy
// of the index in its own memory, which it distrusts while the log holds
// bytes it cannot use (random bytes, frames of which none committed): it
// would wait 10 s for a writer to rebuild the index, then fail. Such a log
// holds nothing, and the file is read alone at once.
int16_t RecordFile::connect(bool logMode, sqlite3*& db, FileLayout& layout, bool& immutable)
{
    immutable = false;
    // The log read once, and only when the answer matters.
    std::optional<bool> commits;
    const auto holdsCommits = [&] {
        if (!commits)
            commits = logContent(hostPath_ + "-wal") == LogContent::Commits;
        return *commits;
    };
    int16_t connected = status::AccessDenied;
    if (writable_ || !logMode || logSize(hostPath_) <= 0 || holdsCommits())
        connected = connectTo(uri_, writable_ ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, db, layout);
    if (connected != status::AccessDenied || !logMode || holdsCommits())
        return connected;
    immutable = true;
    stamp_ = stamp();  // before the first read, so that a write meanwhile shows
    return connectTo(uri_ + "&immutable=1", SQLITE_OPEN_READONLY, db, layout);
}

// Through the judged VFS, whose main file must be the one `uri` names: the
// file judged and locked at the open (else 85, a later try judges anew).
int16_t RecordFile::connectTo(const std::string& uri, int flags, sqlite3*& db, FileLayout& layout)
{
    int rc = sqlite3_open_v2(uri.c_str(), &db, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, judged_vfs::name());
    int16_t result = status::Success;
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        result = readLayout(db, layout);
    } else {
        result = statusOfOpenFailure(db, rc);
    }
    if (result != status::Success && db) {
        // Leave a file that is not ours, and its log, exactly as they were.
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(db);
        db = nullptr;
    }
    return result;
}

bool RecordFile::setOpenMode(bool exclusive) { return lockOpenMode(lockFd_, exclusive); }

// ---- a file read alone -------------------------------------------------------

// The log's name is looked up, the main file is asked through the
// descriptor the file keeps.
RecordFile::Stamp RecordFile::stamp() const
{
    Stamp seen;
    struct stat info {};
    if (::fstat(lockFd_, &info) == 0) {
        seen.size = info.st_size;
        seen.modified = nanoseconds(info.st_mtim);
        seen.changed = nanoseconds(info.st_ctim);
    }
    if (::stat((hostPath_ + "-wal").c_str(), &info) == 0) {
        seen.logSize = info.st_size;
        seen.logModified = nanoseconds(info.st_mtim);
        seen.logInode = info.st_ino;
    }
    return seen;
}

// SQLite trusts a file read as immutable never to change: it would go on
// showing its old pages, then a mix of old and new ones. So before each read
// the file and its log are compared with what they were when the connection
// began; once anyone wrote them, the file is read through a new connection:
// an ordinary one where the writer left the log's index beside the file
// (SQLite reads it without writing it), or a new immutable one where the log
// was folded into the file and its index is gone. Inside a transaction the
// connection cannot change: the read answers 85 until the transaction ends.
int16_t RecordFile::catchUp()
{
    if (stamp() == stamp_)
        return status::Success;
    return writing_ ? status::FileInUse : reconnect();
}

// The new connection replaces the old one only once it reads the file; until
// then reads answer 85 (the log holds commits that cannot be read yet, a
// writer holds the file) and the next read tries again.
int16_t RecordFile::reconnect()
{
    const Stamp before = stamp_;
    sqlite3* db = nullptr;
    FileLayout layout;
    bool immutable = false;
    const int16_t connected = connect(true, db, layout, immutable);
    if (connected != status::Success) {
        stamp_ = before;
        return connected == status::AccessDenied ? status::FileInUse : connected;
    }
    if (layout.bytes != layout_.bytes) {  // another file under the same name
        sqlite3_close(db);
        stamp_ = before;
        return status::IoError;
    }
    dropStatements();
    sqlite3_close(db_);
    db_ = db;
    immutable_ = immutable;
    setUp(true);
    return status::Success;
}

// A read of a file read alone ran while someone may have been writing it:
// when the main file changed meanwhile (a writer's checkpoint), what was
// read may mix two states, and the read answers 85 to be made again.
int16_t RecordFile::endOfRead(int16_t result, Row& row) const
{
    if (!immutable_)
        return result;
    struct stat info {};
    if (::fstat(lockFd_, &info) == 0 && info.st_size == stamp_.size && nanoseconds(info.st_mtim) == stamp_.modified &&
        nanoseconds(info.st_ctim) == stamp_.changed)
        return result;
    row.damaged = false;
    return status::FileInUse;
}

} // namespace qn3::recordmanager
