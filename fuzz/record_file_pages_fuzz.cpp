#include "fuzz_support.h"
#include "recordmanager/plain_schema.h"
#include "recordmanager/record_file_common.h"

#include <algorithm>
#include <fcntl.h>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qn3::fuzzing;

namespace {

// The rows SQLite reads from the same file, opened as immutable: false when
// it cannot read them (the file is damaged where the plain reader does not
// look, which SQLite finds at the open for good).
bool readThroughSqlite(const QString& path, qn3::recordmanager::detail::PlainSchema& out)
{
    sqlite3* db = nullptr;
    const std::string uri = "file:" + QFile::encodeName(path).toStdString() + "?immutable=1";
    bool read = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK;
    sqlite3_stmt* statement = nullptr;
    if (read)
        read = sqlite3_prepare_v2(db,
                   "SELECT type || ' ' || name || ' ' || tbl_name || ' ' || ifnull(sql, '') "
                   "FROM sqlite_master",
                   -1, &statement, nullptr)
            == SQLITE_OK;
    int rc = SQLITE_ROW;
    while (read && (rc = sqlite3_step(statement)) == SQLITE_ROW)
        out.entries.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    read = read && rc == SQLITE_DONE;
    sqlite3_finalize(statement);
    statement = nullptr;
    if (read)
        read = sqlite3_prepare_v2(db, "SELECT format, layout FROM record_file", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW;
    if (read) {
        out.format = sqlite3_column_int64(statement, 0);
        out.layout.assign(static_cast<const char*>(sqlite3_column_blob(statement, 1)),
            static_cast<size_t>(sqlite3_column_bytes(statement, 1)));
        read = sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return read;
}

} // namespace

// Any bytes as a record file: the plain reader of its schema never reads
// outside what it was given, and whatever it reads, SQLite reads alike. A
// file it finds to be ours SQLite reads without fail: the opening then
// judges it from the plain reading alone, and only SQLite's own reading may
// refuse it afterwards.
QN3_FUZZ_TARGET(bytes)
{
    const QString path = privatePrefix() + QStringLiteral("/pages.bt6");
    writeFile(path, bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    require(fd >= 0);
    qn3::recordmanager::detail::PlainSchema plain;
    const bool read = qn3::recordmanager::detail::readPlainSchema(fd, plain);
    ::close(fd);
    if (!read)
        return;
    qn3::recordmanager::FileLayout layout;
    const bool ours
        = qn3::recordmanager::detail::judgeSchema(plain.format,
              { reinterpret_cast<const uint8_t*>(plain.layout.data()), plain.layout.size() }, plain.entries, layout)
        == 0;
    qn3::recordmanager::detail::PlainSchema sqlite;
    const bool readAlike = readThroughSqlite(path, sqlite);
    require(readAlike || !ours);
    if (!readAlike)
        return;
    std::sort(plain.entries.begin(), plain.entries.end());
    std::sort(sqlite.entries.begin(), sqlite.entries.end());
    require(plain.entries == sqlite.entries && plain.format == sqlite.format && plain.layout == sqlite.layout);
}
