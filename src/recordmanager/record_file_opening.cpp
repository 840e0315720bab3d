// Judging an existing file and opening it.
#include "recordmanager/record_file.h"

#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::recordmanager {

using namespace detail;

namespace {

constexpr char SqliteMagic[16] = "SQLite format 3";
constexpr off_t ApplicationIdOffset = 68;
// Writers of another process wait this long before the call answers 85; the
// call layer retries every second.
constexpr int BusyTimeoutMs = 200;

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

} // namespace qn3::recordmanager
