// Creating a file: built aside, then renamed into place.
#include "recordmanager/record_file.h"

#include "platform/host_files.h"
#include "platform/regular_file.h"

#include "recordmanager/judged_vfs.h"
#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::recordmanager {

using namespace detail;

namespace {

platform::regular_file::Opened openByName(const std::string& hostPath, int flags)
{
    return platform::regular_file::open(platform::hostfiles::pathString(hostPath), flags);
}

int16_t placeNew(const std::string& temporary, const std::string& hostPath);
int16_t replaceWith(const std::string& temporary, const std::string& hostPath);

} // namespace

int16_t RecordFile::create(const std::string& hostPath, const FileLayout& layout, bool replace)
{
    struct stat info {};
    if (!replace && ::stat(hostPath.c_str(), &info) == 0)
        return status::FileExists;
    // The file to replace is judged and locked before anything is made: a
    // folder, FIFO or device at the name is no record file and is left alone
    // (never opened), and nobody may have the old file open, neither this
    // engine in any process nor any other SQLite connection. A file this
    // process may not open for writing is left too: without its descriptor
    // nothing shows whether someone uses it (and Windows, too, refuses to
    // overwrite a file one may not write).
    platform::regular_file::Opened old;
    if (replace) {
        old = openByName(hostPath, O_RDWR);
        if (old.notRegular)
            return status::NotARecordFile;
        if (old.fd() < 0 && old.error != ENOENT)
            return statusOfErrno(old.error);
        if (old.fd() >= 0 && !(lockOpenMode(old.fd(), true) && lockOutConnections(old.fd())))
            return status::FileInUse;
    }

    // Made with the process's umask like any file the program writes (record
    // files are shared), under a name no other creation uses.
    const std::string temporary =
        hostPath + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}());
    const platform::regular_file::Opened made = openByName(temporary, O_RDWR | O_CREAT | O_EXCL);
    if (made.fd() < 0)
        return made.notRegular ? status::IoError : statusOfErrno(made.error);

    // SQLite builds the file just made, that one only.
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(judged_vfs::uri(temporary, made.st).c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, judged_vfs::name());
    std::string sql = "PRAGMA application_id = " + std::to_string(ApplicationId) +
                      "; PRAGMA user_version = " + std::to_string(FormatVersion) +
                      "; PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; BEGIN; ";
    for (const SchemaEntry& entry : schemaOf(layout))
        sql += entry.sql + "; ";
    sql += "INSERT INTO record_file VALUES (" + std::to_string(FormatVersion) + ", ?1); ";
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
        platform::hostfiles::syncFolderOf(platform::hostfiles::pathString(hostPath));
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

// The old file's log must go with it (an old log would be replayed into the
// new file). The creation holds the old file's lock until it is gone.
int16_t replaceWith(const std::string& temporary, const std::string& hostPath)
{
    keepOwnership(temporary, hostPath);
    ::unlink((hostPath + "-wal").c_str());
    ::unlink((hostPath + "-shm").c_str());
    const int renamed = ::rename(temporary.c_str(), hostPath.c_str());
    const int error = errno;
    if (renamed != 0) {
        removeDatabase(temporary);
        return statusOfErrno(error);
    }
    return status::Success;
}

} // namespace

} // namespace qn3::recordmanager
