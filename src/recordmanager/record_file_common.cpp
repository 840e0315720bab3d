#include "recordmanager/record_file_common.h"

#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qn3::recordmanager::detail {
namespace {

// One byte of SQLite's lock page that SQLite never locks itself (its locks
// end at 0x40000200): open modes lock it, shared or exclusive, per open file
// description, so they never interfere with SQLite's own locks.
constexpr off_t OpenModeLockByte = 0x40000400;
// The bytes SQLite locks on a file: its pending, reserved and shared bytes.
constexpr off_t SqliteLocksStart = 0x40000000;
constexpr off_t SqliteLocksLength = 0x200;

// SQLite's answers to a connection that may not write the log's index, when
// the index must first be rebuilt (or its state confirmed) by a connection
// that may: a writer arriving does it, so they pass like a lock.
bool awaitsWriter(int rc) { return rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT; }

bool lockRange(int fd, short type, off_t start, off_t length)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

} // namespace

// ---- status mapping ------------------------------------------------------

int16_t statusOf(int rc)
{
    if (awaitsWriter(rc))
        return status::FileInUse;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return status::FileInUse;
    case SQLITE_CONSTRAINT:
        return status::DuplicateKey;
    case SQLITE_FULL:
        return status::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return status::AccessDenied;
    default:
        return status::IoError;
    }
}

int16_t statusOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return status::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return status::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return status::DiskFull;
    default:
        return status::IoError;
    }
}

int16_t statusOfOpenFailure(sqlite3* db, int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
    case SQLITE_READONLY:
        return statusOf(rc);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return status::AccessDenied;
    case SQLITE_IOERR: {
        const int16_t fromErrno = statusOfErrno(sqlite3_system_errno(db));
        return fromErrno == status::FileNotFound ? status::IoError : fromErrno;
    }
    default:
        return status::NotARecordFile;
    }
}

bool lockOpenMode(int fd, bool exclusive)
{
    return lockRange(fd, exclusive ? F_WRLCK : F_RDLCK, OpenModeLockByte, 1);
}

// Open-file-description locks and SQLite's process locks exclude each other,
// within one process too.
bool lockOutConnections(int fd) { return lockRange(fd, F_WRLCK, SqliteLocksStart, SqliteLocksLength); }

// Pauses as SQLite's own lock wait makes them: short first, then longer.
int stepAwaitingWriter(sqlite3_stmt* statement)
{
    int rc = sqlite3_step(statement);
    for (int pause = 1, waited = 0; awaitsWriter(rc) && waited < BusyTimeoutMs;
         waited += pause, pause = std::min(pause * 2, 50)) {
        sqlite3_reset(statement);
        sqlite3_sleep(pause);
        rc = sqlite3_step(statement);
    }
    return rc;
}

ResetOnExit::~ResetOnExit() { sqlite3_reset(statement); }

void removeDatabase(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        ::unlink((path + suffix).c_str());
}

std::string keyColumn(size_t key) { return "k" + std::to_string(key); }

std::vector<SchemaEntry> schemaOf(const FileLayout& layout)
{
    std::string records = "CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, version INTEGER NOT NULL, "
                          "data BLOB NOT NULL";
    for (size_t k = 0; k < layout.keys.size(); ++k)
        records += ", " + keyColumn(k) + " BLOB NOT NULL";
    std::vector<SchemaEntry> schema{
        {"table", "record_file", "record_file", "CREATE TABLE record_file(format INTEGER NOT NULL, layout BLOB NOT NULL)"},
        {"table", "records", "records", records + ")"}};
    for (size_t k = 0; k < layout.keys.size(); ++k) {
        const std::string name = "key" + std::to_string(k);
        schema.push_back({"index", name, "records",
                          std::string(layout.keys[k].duplicates ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") + name +
                              " ON records(" + keyColumn(k) + ")"});
    }
    return schema;
}

int16_t judgeSchema(int64_t format, std::span<const uint8_t> layoutBytes, std::vector<std::string> entries,
                    FileLayout& layout)
{
    FileLayout parsed;
    if (format != FormatVersion || parseFileLayout(layoutBytes, parsed) != status::Success)
        return status::NotARecordFile;
    std::vector<std::string> expected{"table sqlite_sequence sqlite_sequence CREATE TABLE sqlite_sequence(name,seq)"};
    for (const SchemaEntry& entry : schemaOf(parsed))
        expected.push_back(entry.type + " " + entry.name + " " + entry.table + " " + entry.sql);
    // ANALYZE (and PRAGMA optimize) of any SQLite program adds these: they
    // steer SQLite's choice among the indexes, never what a statement does.
    std::erase_if(entries, [](const std::string& entry) {
        return entry == "table sqlite_stat1 sqlite_stat1 CREATE TABLE sqlite_stat1(tbl,idx,stat)" ||
               entry == "table sqlite_stat4 sqlite_stat4 CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)";
    });
    std::sort(expected.begin(), expected.end());
    std::sort(entries.begin(), entries.end());
    if (entries != expected)
        return status::NotARecordFile;
    layout = std::move(parsed);
    return status::Success;
}

} // namespace qn3::recordmanager::detail
