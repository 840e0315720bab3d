// The record operations and the read snapshot they share.
#include "recordmanager/record_file.h"

#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace qn3::recordmanager {

using namespace detail;

namespace {

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

} // namespace

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
    if (immutable_)
        return catchUp();
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
    return endOfRead(seekRow(how, key, encodedKey, id, row), row);
}

int16_t RecordFile::seekRow(Seek how, int key, const std::string& encodedKey, int64_t id, Row& row)
{
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
    const int rc = stepAwaitingWriter(s);
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
    // A statement that goes on is inside its read: it cannot meet the log's
    // index again, and must not start over.
    int rc = goesOn ? sqlite3_step(s) : stepAwaitingWriter(s);
    if (rc == SQLITE_DONE && duplicates && s == statement(sameValue, key)) {
        sqlite3_reset(s);
        s = statement(pastValue, key);
        if (!s)
            return status::IoError;
        sqlite3_bind_blob(s, 1, encodedKey.data(), static_cast<int>(encodedKey.size()), SQLITE_TRANSIENT);
        rc = stepAwaitingWriter(s);
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
    if (const int16_t started = startRead(); started != status::Success)
        return started;
    return endOfRead(readRowById(id, key, row), row);
}

int16_t RecordFile::readRowById(int64_t id, int key, Row& row)
{
    sqlite3_stmt* s = statement(ById, -1);
    if (!s)
        return status::IoError;
    ResetOnExit reset{s};
    sqlite3_bind_int64(s, 1, id);
    const int rc = stepAwaitingWriter(s);
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
    if (immutable_) {
        if (const int16_t caught = catchUp(); caught != status::Success)
            return caught;
    }
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
