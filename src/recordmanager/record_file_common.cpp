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

} // namespace

// ---- status mapping ------------------------------------------------------

int16_t statusOf(int rc)
{
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
    struct flock lock {};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = OpenModeLockByte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
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
