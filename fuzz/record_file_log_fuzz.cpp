#include "fuzz_support.h"
#include "recordmanager/companion_files.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

using namespace qn3::fuzzing;

namespace {

// A small database that keeps a log, made once; each run starts from a copy.
const QByteArray& database()
{
    static const QByteArray bytes = [] {
        const std::string path = QFile::encodeName(privatePrefix() + QStringLiteral("/made.db")).toStdString();
        sqlite3* db = nullptr;
        require(sqlite3_open(path.c_str(), &db) == SQLITE_OK);
        require(sqlite3_exec(db, "PRAGMA journal_mode = WAL; CREATE TABLE t(x); INSERT INTO t VALUES (1)", nullptr,
                    nullptr, nullptr)
            == SQLITE_OK);
        sqlite3_close(db);
        return readFile(QString::fromStdString(path));
    }();
    return bytes;
}

} // namespace

// Any bytes as the log beside a database: the judgement reads them without
// crashing, and says the log holds a commit exactly when SQLite's recovery
// finds one (the frames it counts in the log, reported by a checkpoint).
QN3_FUZZ_TARGET(bytes)
{
    const QString path = privatePrefix() + QStringLiteral("/logged.db");
    QFile::remove(path + QStringLiteral("-shm"));
    writeFile(path, database());
    writeFile(path + QStringLiteral("-wal"), bytes);
    const int fd = ::open(QFile::encodeName(path + QStringLiteral("-wal")).constData(), O_RDONLY);
    require(fd >= 0);
    const bool holds = qn3::recordmanager::detail::logHoldsCommit(fd);
    ::close(fd);
    sqlite3* db = nullptr;
    require(sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK);
    sqlite3_stmt* checkpoint = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA wal_checkpoint(PASSIVE)", -1, &checkpoint, nullptr) == SQLITE_OK
        && sqlite3_step(checkpoint) == SQLITE_ROW && sqlite3_column_int(checkpoint, 0) == 0)
        require(holds == (sqlite3_column_int(checkpoint, 1) > 0));
    sqlite3_finalize(checkpoint);
    sqlite3_close(db);
}
