// Sections: file format constants; status mapping; statement texts;
// opening and checking an existing file; creating a file; record operations.
#include "recordmanager/record_file.h"

#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::recordmanager {
namespace {

// ---- file format ---------------------------------------------------------

// "QN3R" in the SQLite header tells our files from any other SQLite file.
constexpr int ApplicationId = 0x514E3352;
constexpr int FormatVersion = 1;
constexpr char SqliteMagic[16] = "SQLite format 3";
constexpr off_t ApplicationIdOffset = 68;
// Writers of another process wait this long before the call answers 85; the
// call layer retries every second.
constexpr int BusyTimeoutMs = 200;
// One byte of SQLite's lock page that SQLite never locks itself (its locks
// end at 0x40000200): open modes lock it, shared or exclusive, per open file
// description, so they never interfere with SQLite's own locks.
constexpr off_t OpenModeLockByte = 0x40000400;

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

// Why SQLite could not read a file of ours at its open: the file or its
// companions locked (85), no room to make the log's index (18), a folder or
// file we may not write (46), and 30 only when SQLite read the file and found
// it is not one of ours, or damaged.
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

// Resets a statement when the call is done with it, whatever the path out.
struct ResetOnExit {
    sqlite3_stmt* statement;
    ~ResetOnExit() { sqlite3_reset(statement); }
};

void removeDatabase(const std::string& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        ::unlink((path + suffix).c_str());
}

// ---- statement texts -----------------------------------------------------

std::string keyColumn(size_t key) { return "k" + std::to_string(key); }

// A row as reads take it: id, version, data, then every stored key (column
// 3 + n), so a read can check the image against its keys.
std::string rowColumns(size_t keys)
{
    std::string select = "SELECT id, version, data";
    for (size_t k = 0; k < keys; ++k)
        select += ", " + keyColumn(k);
    return select + " FROM records ";
}
constexpr int FirstKeyColumn = 3;

// Greater and Less run on past their first row, and Next and Previous are
// the records of the same key value past a record id: a walk steps these
// on, row after row (see RecordFile::walk). Every order is an index's, so
// rows come without sorting, one step at a time.
std::string keyed(Seek how, const std::string& k, const std::string& select)
{
    switch (how) {
    case Seek::Equal: return select + "WHERE " + k + " = ?1 ORDER BY id LIMIT 1";
    case Seek::Greater: return select + "WHERE " + k + " > ?1 ORDER BY " + k + ", id";
    case Seek::GreaterOrEqual: return select + "WHERE " + k + " >= ?1 ORDER BY " + k + ", id LIMIT 1";
    case Seek::Less: return select + "WHERE " + k + " < ?1 ORDER BY " + k + " DESC, id DESC";
    case Seek::LessOrEqual: return select + "WHERE " + k + " <= ?1 ORDER BY " + k + " DESC, id DESC LIMIT 1";
    case Seek::First: return select + "ORDER BY " + k + ", id LIMIT 1";
    case Seek::Last: return select + "ORDER BY " + k + " DESC, id DESC LIMIT 1";
    case Seek::Next: return select + "WHERE " + k + " = ?1 AND id > ?2 ORDER BY id";
    case Seek::Previous: return select + "WHERE " + k + " = ?1 AND id < ?2 ORDER BY id DESC";
    }
    return {};
}

std::string schemaOf(const FileLayout& layout)
{
    std::string sql = "CREATE TABLE record_file(format INTEGER NOT NULL, layout BLOB NOT NULL);"
                      "CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, version INTEGER NOT NULL, "
                      "data BLOB NOT NULL";
    for (size_t k = 0; k < layout.keys.size(); ++k)
        sql += ", " + keyColumn(k) + " BLOB NOT NULL";
    sql += ");";
    for (size_t k = 0; k < layout.keys.size(); ++k)
        sql += std::string(layout.keys[k].duplicates ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") + "key" +
               std::to_string(k) + " ON records(" + keyColumn(k) + ");";
    return sql;
}

// Reads the stored layout and checks that the schema matches it, reading
// only: a file that fails here is left exactly as it was. This is the first
// read of the file, where SQLite meets its log, so its failures say more than
// "not ours" (see statusOfOpenFailure). One statement, so one read
// transaction: the schema is in memory once it has run.
int16_t readLayout(sqlite3* db, FileLayout& layout)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT format, layout, (SELECT group_concat(name, ' ') || ' ' FROM sqlite_master "
                                "WHERE type = 'index' AND tbl_name = 'records') FROM record_file",
                                -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    int16_t result = status::NotARecordFile;
    if (rc == SQLITE_ROW && sqlite3_column_int(statement, 0) == FormatVersion) {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, 1));
        const int size = sqlite3_column_bytes(statement, 1);
        const auto* names = reinterpret_cast<const char*>(sqlite3_column_text(statement, 2));
        if (bytes && names && parseFileLayout({bytes, static_cast<size_t>(size)}, layout) == status::Success) {
            const std::string indexes = std::string(" ") + names;
            result = status::Success;
            for (size_t k = 0; k < layout.keys.size() && result == status::Success; ++k)
                if (indexes.find(" key" + std::to_string(k) + " ") == std::string::npos)
                    result = status::NotARecordFile;
        }
    } else if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        result = statusOfOpenFailure(db, sqlite3_extended_errcode(db));
    }
    sqlite3_finalize(statement);
    if (result != status::Success)
        return result;

    // Every column the engine names, from the schema SQLite holds in memory.
    const auto hasColumn = [db](const std::string& column) {
        return sqlite3_table_column_metadata(db, "main", "records", column.c_str(), nullptr, nullptr, nullptr,
                                             nullptr, nullptr) == SQLITE_OK;
    };
    bool columns = hasColumn("id") && hasColumn("version") && hasColumn("data");
    for (size_t k = 0; k < layout.keys.size() && columns; ++k)
        columns = hasColumn(keyColumn(k));
    return columns ? status::Success : status::NotARecordFile;
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

// A file URI for `path`, every byte outside the plain ones escaped.
std::string fileUri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || std::strchr("/-_.~", c)) {
            uri += c;
        } else {
            uri += '%';
            uri += hex[b >> 4];
            uri += hex[b & 15];
        }
    }
    return uri;
}

// Checks the schema on the main file alone, opened as immutable: SQLite then
// reads it without locks and ignores any journal beside it, so a file without
// a log that turns out not to be ours is refused before SQLite could roll a
// journal back into it.
int16_t checkSchemaUntouched(const std::string& hostPath, FileLayout& layout)
{
    sqlite3* db = nullptr;
    const std::string uri = fileUri(hostPath) + "?immutable=1";
    int16_t result = status::NotARecordFile;
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr) ==
        SQLITE_OK)
        result = readLayout(db, layout);
    sqlite3_close(db);
    return result;
}

} // namespace

// ---- opening -------------------------------------------------------------

enum RecordFile::Statement : int {
    // Per key, in the order of `Seek`.
    KeyedKinds = 9,
    // Not per key.
    ById = 0, Insert, StoredKeys, Delete, Begin, BeginRead, Commit, Rollback, UnkeyedKinds
};

RecordFile::~RecordFile()
{
    endRead();
    for (sqlite3_stmt* statement : statements_)
        sqlite3_finalize(statement);
    for (sqlite3_stmt* statement : updates_)
        sqlite3_finalize(statement);
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
    file->writable_ = true;
    // Without O_NONBLOCK a FIFO put in a record file's place would hold the
    // open until a writer came; the fstat below refuses it.
    file->lockFd_ = ::open(hostPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (file->lockFd_ < 0 && (errno == EACCES || errno == EROFS)) {
        file->writable_ = false;
        file->lockFd_ = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (file->lockFd_ < 0)
        return errno == EISDIR ? status::NotARecordFile : statusOfErrno(errno);
    struct stat info {};
    bool logMode = false;
    if (::fstat(file->lockFd_, &info) != 0 || !S_ISREG(info.st_mode) || !hasOurHeader(file->lockFd_, logMode))
        return status::NotARecordFile;
    if (exclusive && !file->writable_)
        return status::AccessDenied;
    if (!lockOpenMode(file->lockFd_, exclusive))
        return status::IncompatibleMode;
    // A file of ours keeps a log, and is judged with it: a writer killed in
    // the middle of a checkpoint leaves a main file that is whole only with
    // its log. Reading a log changes neither the file nor the log. Any other
    // file could have a rollback journal beside it, which SQLite would play
    // back at the first read: it is checked on the main file alone first.
    if (!logMode) {
        if (const int16_t checked = checkSchemaUntouched(hostPath, file->layout_); checked != status::Success)
            return checked;
    }
    if (const int16_t connected = file->connect(hostPath, logMode); connected != status::Success)
        return connected;
    if (exclusive && !file->writable_)
        return status::AccessDenied;
    // A process killed at any instant keeps every committed write with WAL
    // and NORMAL; only a power loss may take back the last commits.
    // A page cache of up to 64 MB per file keeps a file of 100,000 records
    // in memory; it grows only as pages are read.
    sqlite3_exec(file->db_, "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536; PRAGMA journal_size_limit = 4194304",
                 nullptr, nullptr, nullptr);
    // The log and its index stay beside the file after the last close, the
    // log emptied: making and removing both at every open and close cost more
    // than the open itself, and changed the folder each time.
    int persist = 1;
    sqlite3_file_control(file->db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    file->statements_.assign(KeyedKinds * file->layout_.keys.size() + UnkeyedKinds, nullptr);
    file->updates_.assign(size_t{1} << file->layout_.keys.size(), nullptr);
    file->keyScratch_.resize(file->layout_.keys.size());
    // The log's shared index is mapped by SQLite once the file has been read
    // in log mode; its header tells cheaply whether anyone committed. A file
    // without a log simply takes a fresh snapshot per read.
    sqlite3_file* handle = nullptr;
    if (logMode && !file->immutable_ &&
        sqlite3_file_control(file->db_, "main", SQLITE_FCNTL_FILE_POINTER, &handle) == SQLITE_OK && handle &&
        handle->pMethods && handle->pMethods->iVersion >= 2 && handle->pMethods->xShmMap) {
        volatile void* region = nullptr;
        if (handle->pMethods->xShmMap(handle, 0, 32768, 0, &region) == SQLITE_OK && region)
            file->logIndex_ = static_cast<const volatile unsigned char*>(region);
    }
    out = std::move(file);
    return status::Success;
}

// The connection the file keeps, read-write when the file may be written.
// A folder (or file) we may not write, with no log or index beside the file
// yet, cannot give SQLite the log's index it wants: with no log there is
// nothing to apply, and the file is read alone, read-only. With a log that
// cannot be read, the answer is 46: reading without it would show the file
// as it was before its last commits.
int16_t RecordFile::connect(const std::string& hostPath, bool logMode)
{
    int16_t connected = connectTo(hostPath, writable_ ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    if (connected != status::AccessDenied || !logMode)
        return connected;
    struct stat log {};
    if (::stat((hostPath + "-wal").c_str(), &log) == 0 && log.st_size > 0)
        return connected;
    writable_ = false;
    immutable_ = true;
    return connectTo(fileUri(hostPath) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

int16_t RecordFile::connectTo(const std::string& name, int flags)
{
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    int16_t result = status::Success;
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, BusyTimeoutMs);
        result = readLayout(db_, layout_);
    } else {
        result = statusOfOpenFailure(db_, rc);
    }
    if (result != status::Success && db_) {
        // Leave a file that is not ours, and its log, exactly as they were.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }
    return result;
}

bool RecordFile::setOpenMode(bool exclusive) { return lockOpenMode(lockFd_, exclusive); }

// ---- creating ------------------------------------------------------------

namespace {
int16_t placeNew(const std::string& temporary, const std::string& hostPath);
int16_t replaceWith(const std::string& temporary, const std::string& hostPath);
void syncFolderOf(const std::string& hostPath);
} // namespace

int16_t RecordFile::create(const std::string& hostPath, const FileLayout& layout, bool replace)
{
    struct stat info {};
    if (!replace && ::stat(hostPath.c_str(), &info) == 0)
        return status::FileExists;

    // Made with the process's umask like any file the program writes (record
    // files are shared), under a name no other creation uses.
    const std::string temporary =
        hostPath + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}());
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return statusOfErrno(errno);
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::string sql = "PRAGMA application_id = " + std::to_string(ApplicationId) +
                            "; PRAGMA user_version = " + std::to_string(FormatVersion) +
                            "; PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; BEGIN; " + schemaOf(layout) +
                            "INSERT INTO record_file VALUES (" + std::to_string(FormatVersion) + ", ?1); ";
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql.substr(0, sql.rfind("INSERT")).c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_stmt* insert = nullptr;
        rc = sqlite3_prepare_v2(db, sql.substr(sql.rfind("INSERT")).c_str(), -1, &insert, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_blob(insert, 1, layout.bytes.data(), static_cast<int>(layout.bytes.size()), SQLITE_STATIC);
            rc = sqlite3_step(insert) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
        }
        sqlite3_finalize(insert);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    // Closing checkpoints the log into the file and removes it.
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_ERROR;
    if (rc != SQLITE_OK) {
        removeDatabase(temporary);
        return statusOf(rc);
    }

    const int16_t placed = replace ? replaceWith(temporary, hostPath) : placeNew(temporary, hostPath);
    if (placed == status::Success)
        syncFolderOf(hostPath);
    return placed;
}

namespace {

int16_t placeNew(const std::string& temporary, const std::string& hostPath)
{
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, hostPath.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        removeDatabase(temporary);
        return error == EEXIST ? status::FileExists : statusOfErrno(error);
    }
    return status::Success;
}

// A replaced file keeps its permission bits (a private file stays private)
// and, where this process may give them, its owner and group.
void keepOwnership(const std::string& temporary, const std::string& hostPath)
{
    struct stat old {};
    if (::stat(hostPath.c_str(), &old) != 0)
        return;
    if (::chown(temporary.c_str(), old.st_uid, old.st_gid) != 0)
        (void)!::chown(temporary.c_str(), static_cast<uid_t>(-1), old.st_gid);
    ::chmod(temporary.c_str(), old.st_mode & 07777);
}

// Nobody may have the old file open, and its log must go with it (an old log
// would be replayed into the new file).
int16_t replaceWith(const std::string& temporary, const std::string& hostPath)
{
    const int oldFd = ::open(hostPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (oldFd >= 0 && !lockOpenMode(oldFd, true)) {
        ::close(oldFd);
        removeDatabase(temporary);
        return status::FileInUse;
    }
    keepOwnership(temporary, hostPath);
    ::unlink((hostPath + "-wal").c_str());
    ::unlink((hostPath + "-shm").c_str());
    const int renamed = ::rename(temporary.c_str(), hostPath.c_str());
    const int error = errno;
    if (oldFd >= 0)
        ::close(oldFd);
    if (renamed != 0) {
        removeDatabase(temporary);
        return statusOfErrno(error);
    }
    return status::Success;
}

// The new name survives a power loss once its folder is on disk.
void syncFolderOf(const std::string& hostPath)
{
    const auto slash = hostPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : hostPath.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

// ---- record operations ---------------------------------------------------

sqlite3_stmt* RecordFile::statement(int kind, int key)
{
    const size_t index = key >= 0 ? static_cast<size_t>(UnkeyedKinds + key * KeyedKinds + kind)
                                  : static_cast<size_t>(kind);
    sqlite3_stmt*& slot = statements_[index];
    if (slot)
        return slot;
    std::string sql;
    const size_t keys = layout_.keys.size();
    if (key >= 0) {
        sql = keyed(static_cast<Seek>(kind), keyColumn(key), rowColumns(keys));
    } else {
        switch (kind) {
        case ById: sql = rowColumns(keys) + "WHERE id = ?1"; break;
        case Insert:
            sql = "INSERT INTO records(version, data";
            for (size_t k = 0; k < keys; ++k)
                sql += ", " + keyColumn(k);
            sql += ") VALUES (1, ?1";
            for (size_t k = 0; k < keys; ++k)
                sql += ", ?" + std::to_string(k + 2);
            sql += ")";
            break;
        case StoredKeys:
            sql = "SELECT version";
            for (size_t k = 0; k < keys; ++k)
                sql += ", " + keyColumn(k);
            sql += " FROM records WHERE id = ?1";
            break;
        case Delete: sql = "DELETE FROM records WHERE id = ?1 AND version = ?2"; break;
        case Begin: sql = "BEGIN IMMEDIATE"; break;
        case BeginRead: sql = "BEGIN"; break;
        case Commit: sql = "COMMIT"; break;
        case Rollback: sql = "ROLLBACK"; break;
        }
    }
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &slot, nullptr) != SQLITE_OK) {
        sqlite3_finalize(slot);
        slot = nullptr;
    }
    return slot;
}

// The update that sets the data and the keys in `changedKeys` (bit n: key
// n). Keys left out of SET are compared in WHERE instead: SQLite rewrites
// every index whose column is named in SET, changed or not.
sqlite3_stmt* RecordFile::updateStatement(uint32_t changedKeys)
{
    sqlite3_stmt*& slot = updates_[changedKeys];
    if (slot)
        return slot;
    std::string set = "UPDATE records SET version = version + 1, data = ?1";
    std::string where = " WHERE id = ?2 AND version = ?3";
    for (size_t k = 0; k < layout_.keys.size(); ++k) {
        const std::string assignment = keyColumn(k) + " = ?" + std::to_string(k + 4);
        ((changedKeys >> k) & 1 ? set += ", " : where += " AND ") += assignment;
    }
    const std::string sql = set + where;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &slot, nullptr) != SQLITE_OK) {
        sqlite3_finalize(slot);
        slot = nullptr;
    }
    return slot;
}

// Copies the row under `statement` with its stored key `key`. A record of
// the wrong length, or whose image disagrees with any stored key, is damage:
// its id, version and key are still taken so a walk can go on past it.
int16_t RecordFile::takeRow(sqlite3_stmt* statement, int key, Row& row) const
{
    row.id = sqlite3_column_int64(statement, 0);
    row.version = sqlite3_column_int64(statement, 1);
    const auto* stored = static_cast<const char*>(sqlite3_column_blob(statement, FirstKeyColumn + key));
    row.key.assign(stored ? stored : "", static_cast<size_t>(sqlite3_column_bytes(statement, FirstKeyColumn + key)));
    const int size = sqlite3_column_bytes(statement, 2);
    const auto* image = static_cast<const uint8_t*>(sqlite3_column_blob(statement, 2));
    row.damaged = size != layout_.recordLength || !image;
    for (size_t k = 0; k < layout_.keys.size() && !row.damaged; ++k) {
        const int column = FirstKeyColumn + static_cast<int>(k);
        row.damaged = !keyMatches(layout_.keys[k], image, sqlite3_column_blob(statement, column),
                                  static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    }
    if (row.damaged)
        return status::IoError;
    row.data.assign(reinterpret_cast<const char*>(image), static_cast<size_t>(size));
    return status::Success;
}

// ---- the read snapshot ---------------------------------------------------

// Reads run inside a read transaction that outlives the call. It is kept
// while the log's header is as it was when the snapshot began (saved before
// it began, so a commit racing with the start only costs one renewal).
int16_t RecordFile::startRead()
{
    if (writing_)
        return status::Success;
    if (reading_) {
        if (!othersCommitted())
            return status::Success;
        endRead();
    }
    if (!logIndex_)
        return status::Success;  // no cheap way to see commits: one snapshot per read
    noteLogHeader();
    if (const int16_t begun = execute(BeginRead); begun != status::Success)
        return begun;
    reading_ = true;
    return status::Success;
}

void RecordFile::endRead()
{
    if (!reading_)
        return;
    endWalk();
    reading_ = false;
    if (!sqlite3_get_autocommit(db_))
        execute(Commit);
}

// The header is read word by word: the index is mapped at a page boundary.
void RecordFile::noteLogHeader()
{
    std::atomic_thread_fence(std::memory_order_acquire);
    const auto* words = reinterpret_cast<const volatile uint64_t*>(logIndex_);
    for (size_t i = 0; i < LogHeaderWords; ++i)
        logHeader_[i] = words[i];
}

bool RecordFile::othersCommitted() const
{
    std::atomic_thread_fence(std::memory_order_acquire);
    const auto* words = reinterpret_cast<const volatile uint64_t*>(logIndex_);
    uint64_t differs = 0;
    for (size_t i = 0; i < LogHeaderWords; ++i)
        differs |= logHeader_[i] ^ words[i];
    return differs != 0;
}

int16_t RecordFile::seek(Seek how, int key, const std::string& encodedKey, int64_t id, Row& row)
{
    row.damaged = false;  // a failure before any row leaves no damaged record behind
    if (const int16_t started = startRead(); started != status::Success)
        return started;
    if (how == Seek::Next || how == Seek::Previous)
        return walk(how == Seek::Next, key, encodedKey, id, row);
    sqlite3_stmt* s = statement(static_cast<int>(how), key);
    if (!s)
        return status::IoError;
    if (walk_.statement == s)
        endWalk();
    ResetOnExit reset{s};
    if (how != Seek::First && how != Seek::Last)
        sqlite3_bind_blob(s, 1, encodedKey.data(), static_cast<int>(encodedKey.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        return takeRow(s, key, row);
    if (rc == SQLITE_DONE)
        return how == Seek::Equal ? status::KeyNotFound : status::EndOfFile;
    return statusOf(rc);
}

// Get Next and Get Previous: first the records of the cursor's key value
// past its record (a key with duplicates), then those past its key value.
// Inside the held snapshot the statement stays on the row it found, so the
// next step from that row is one more step of it, not a new seek. Values
// are bound as copies: the caller's key changes while the statement runs on.
int16_t RecordFile::walk(bool forward, int key, const std::string& encodedKey, int64_t id, Row& row)
{
    const int sameValue = static_cast<int>(forward ? Seek::Next : Seek::Previous);
    const int pastValue = static_cast<int>(forward ? Seek::Greater : Seek::Less);
    const bool duplicates = layout_.keys[static_cast<size_t>(key)].duplicates;
    sqlite3_stmt* s = walk_.statement;
    const bool goesOn =
        s && walk_.forward == forward && walk_.keyNumber == key && walk_.id == id && walk_.key == encodedKey;
    if (!goesOn) {
        endWalk();
        s = statement(duplicates ? sameValue : pastValue, key);
        if (!s)
            return status::IoError;
        sqlite3_bind_blob(s, 1, encodedKey.data(), static_cast<int>(encodedKey.size()), SQLITE_TRANSIENT);
        if (duplicates)
            sqlite3_bind_int64(s, 2, id);
    }
    walk_.statement = nullptr;
    int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE && duplicates && s == statement(sameValue, key)) {
        sqlite3_reset(s);
        s = statement(pastValue, key);
        if (!s)
            return status::IoError;
        sqlite3_bind_blob(s, 1, encodedKey.data(), static_cast<int>(encodedKey.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(s);
    }
    if (rc != SQLITE_ROW) {
        sqlite3_reset(s);
        return rc == SQLITE_DONE ? status::EndOfFile : statusOf(rc);
    }
    const int16_t taken = takeRow(s, key, row);
    if (!reading_) {
        sqlite3_reset(s);  // no snapshot to step on in
        return taken;
    }
    walk_.statement = s;
    walk_.forward = forward;
    walk_.keyNumber = key;
    walk_.id = row.id;
    walk_.key = row.key;
    return taken;
}

void RecordFile::endWalk()
{
    if (walk_.statement)
        sqlite3_reset(walk_.statement);
    walk_.statement = nullptr;
}

int16_t RecordFile::readById(int64_t id, int key, Row& row)
{
    row.damaged = false;  // a failure before any row leaves no damaged record behind
    sqlite3_stmt* s = statement(ById, -1);
    if (!s)
        return status::IoError;
    if (const int16_t started = startRead(); started != status::Success)
        return started;
    ResetOnExit reset{s};
    sqlite3_bind_int64(s, 1, id);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
        return takeRow(s, key, row);
    return rc == SQLITE_DONE ? status::InvalidRecordAddress : statusOf(rc);
}

void RecordFile::bindKeys(sqlite3_stmt* s, const uint8_t* record, int firstParameter)
{
    for (size_t k = 0; k < layout_.keys.size(); ++k) {
        std::string& value = keyScratch_[k];
        encodeKey(layout_.keys[k], record, true, value);
        sqlite3_bind_blob(s, firstParameter + static_cast<int>(k), value.data(), static_cast<int>(value.size()),
                          SQLITE_STATIC);
    }
}

int16_t RecordFile::insert(const uint8_t* record, int64_t& id)
{
    if (!writable_)
        return status::AccessDenied;
    endRead();
    sqlite3_stmt* s = statement(Insert, -1);
    if (!s)
        return status::IoError;
    ResetOnExit reset{s};
    sqlite3_bind_blob(s, 1, record, layout_.recordLength, SQLITE_STATIC);
    bindKeys(s, record, 2);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE)
        return statusOf(rc);
    id = sqlite3_last_insert_rowid(db_);
    return status::Success;
}

int16_t RecordFile::update(int64_t id, int64_t version, const uint8_t* record)
{
    if (!writable_)
        return status::AccessDenied;
    endRead();
    // Most updates keep every key: first as if none changed, then, when no
    // row was touched, setting the keys that did.
    uint32_t changed = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        sqlite3_stmt* s = updateStatement(changed);
        if (!s)
            return status::IoError;
        {
            ResetOnExit reset{s};
            sqlite3_bind_blob(s, 1, record, layout_.recordLength, SQLITE_STATIC);
            sqlite3_bind_int64(s, 2, id);
            sqlite3_bind_int64(s, 3, version);
            bindKeys(s, record, 4);
            const int rc = sqlite3_step(s);
            if (rc != SQLITE_DONE)
                return statusOf(rc);
            if (sqlite3_changes(db_) == 1)
                return status::Success;
        }
        if (attempt > 0)
            break;
        // No row touched: the record moved on, or some of its keys change.
        sqlite3_stmt* v = statement(StoredKeys, -1);
        if (!v)
            return status::IoError;
        ResetOnExit reset{v};
        sqlite3_bind_int64(v, 1, id);
        const int rc = sqlite3_step(v);
        if (rc != SQLITE_ROW)
            return rc == SQLITE_DONE ? status::Conflict : statusOf(rc);
        if (sqlite3_column_int64(v, 0) != version)
            return status::Conflict;
        for (size_t k = 0; k < layout_.keys.size(); ++k) {
            const int column = 1 + static_cast<int>(k);
            const std::string& wanted = keyScratch_[k];
            const bool same = static_cast<size_t>(sqlite3_column_bytes(v, column)) == wanted.size() &&
                              std::memcmp(sqlite3_column_blob(v, column), wanted.data(), wanted.size()) == 0;
            if (same)
                continue;
            if (!layout_.keys[k].modifiable)
                return status::KeyNotModifiable;
            changed |= uint32_t{1} << k;
        }
        if (changed == 0)
            break;
    }
    // Changed or deleted by someone else in between.
    return status::Conflict;
}

int16_t RecordFile::remove(int64_t id, int64_t version)
{
    if (!writable_)
        return status::AccessDenied;
    endRead();
    sqlite3_stmt* s = statement(Delete, -1);
    if (!s)
        return status::IoError;
    ResetOnExit reset{s};
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_int64(s, 2, version);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE)
        return statusOf(rc);
    return sqlite3_changes(db_) == 1 ? status::Success : status::Conflict;
}

int16_t RecordFile::execute(int kind)
{
    sqlite3_stmt* s = statement(kind, -1);
    if (!s)
        return status::IoError;
    ResetOnExit reset{s};
    const int rc = sqlite3_step(s);
    return rc == SQLITE_DONE ? status::Success : statusOf(rc);
}

int16_t RecordFile::begin()
{
    endRead();
    const int16_t begun = execute(writable_ ? Begin : BeginRead);
    writing_ = begun == status::Success;
    return begun;
}

int16_t RecordFile::commit()
{
    writing_ = false;
    return execute(Commit);
}

void RecordFile::rollback()
{
    writing_ = false;
    if (!sqlite3_get_autocommit(db_))
        execute(Rollback);
}

} // namespace qn3::recordmanager
