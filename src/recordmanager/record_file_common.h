#pragma once

// What opening, creating and the record operations of a record file share:
// the format's constants, the mapping of failures to statuses, and the
// statement texts of the schema.
#include "recordmanager/record_file.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

namespace qn3::recordmanager {

enum RecordFile::Statement : int {
    // Per key, in the order of `Seek`.
    KeyedKinds = 9,
    // Not per key.
    ById = 0, Insert, StoredKeys, Delete, Begin, BeginRead, Commit, Rollback, UnkeyedKinds
};

namespace detail {

// "QN3R" in the SQLite header tells our files from any other SQLite file.
constexpr int ApplicationId = 0x514E3352;
constexpr int FormatVersion = 1;
// Writers of another process wait this long before the call answers 85; the
// call layer retries every second.
constexpr int BusyTimeoutMs = 200;

// `rc` as SQLite gives it with extended result codes on.
int16_t statusOf(int rc);
int16_t statusOfErrno(int error);
// Why SQLite could not read a file of ours at its open: the file or its
// companions locked, or the log's index awaiting a writer (85), no room to
// make the log's index (18), a folder or file we may not write (46), and 30
// only when SQLite read the file and found it is not one of ours, or damaged.
int16_t statusOfOpenFailure(sqlite3* db, int rc);

// The open mode's lock, shared or exclusive, on `fd`: false when another
// open of the file holds it the other way.
bool lockOpenMode(int fd, bool exclusive);
// Every lock byte SQLite uses on the file, taken exclusively for as long as
// `fd` stays open (`fd` open for writing): false when any SQLite connection,
// of any process, holds the file (one in log mode holds a shared lock there
// from its first read to its close).
bool lockOutConnections(int fd);

// One step of `statement`. A connection that may not write the log's index
// meets an index that a writer must rebuild first (SQLite's read-only
// recovery answers): the step is made again, like a lock awaited, for up to
// `BusyTimeoutMs`, after which its answer stands (85, see statusOf). Only for
// a statement at its start: it is reset before each new try.
int stepAwaitingWriter(sqlite3_stmt* statement);

// Resets a statement when the call is done with it, whatever the path out.
struct ResetOnExit {
    sqlite3_stmt* statement;
    ~ResetOnExit();
};

// Removes a database and every companion SQLite may have left beside it.
void removeDatabase(const std::string& path);

std::string keyColumn(size_t key);

// One table or index of the file as SQLite lists it: its type, its name, its
// table, and the statement that makes it.
struct SchemaEntry {
    std::string type, name, table, sql;
};
// Every table and index a file with `layout` has, in the order they are made
// (SQLite adds "sqlite_sequence" itself, at the first table that counts ids).
std::vector<SchemaEntry> schemaOf(const FileLayout& layout);

// Whether a file is one of ours, from its schema table's rows as "type name
// table sql" (the statement empty where SQLite keeps none) and the row of
// its `record_file`: 0 with `layout` read from it, or 30. The schema must be
// exactly the one this engine makes for that layout; SQLite's own
// statistics tables, as its ANALYZE makes them, may lie beside it.
int16_t judgeSchema(int64_t format, std::span<const uint8_t> layoutBytes, std::vector<std::string> entries,
                    FileLayout& layout);

} // namespace detail
} // namespace qn3::recordmanager
