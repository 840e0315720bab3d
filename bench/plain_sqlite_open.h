#pragma once

#include <sqlite3.h>

// The baseline of the opening benchmarks: what a plain SQLite program does to
// open one record file with the settings the record manager gives it
// (read-write, its pragmas, its log kept beside the file) and read its schema
// once. True when the layout row was read; `db` is to be closed by the caller.
inline bool openPlainly(const char* hostPath, sqlite3*& db)
{
    if (sqlite3_open_v2(hostPath, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db, 200);
    int persist = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    sqlite3_exec(db, "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536; PRAGMA journal_size_limit = 4194304",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* layout = nullptr;
    const bool read = sqlite3_prepare_v2(db, "SELECT format, layout FROM record_file", -1, &layout, nullptr) ==
                          SQLITE_OK &&
                      sqlite3_step(layout) == SQLITE_ROW;
    sqlite3_finalize(layout);
    return read;
}
