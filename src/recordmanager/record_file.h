#pragma once

#include "recordmanager/file_layout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

// One record file: an SQLite database of our own format at the file's path.
//
// Statements are prepared once per file and reset right after their last
// step. Reads share one read snapshot between calls while nobody has
// committed since it began (starting a snapshot per read costs more than the
// read): the snapshot is renewed at the first read after any commit, ended
// before every write, and let go by `endRead` when the process falls idle,
// since a snapshot held on keeps other processes' logs growing. Every method
// answers a record-manager status; none throws.
namespace qn3::recordmanager {

enum class Seek { Equal, Greater, GreaterOrEqual, Less, LessOrEqual, First, Last, Next, Previous };

struct Row {
    int64_t id = 0;
    int64_t version = 0;
    std::string data;
    // The stored key along which the record was read: where a walk goes on.
    std::string key;
    // The image disagrees with its stored keys (or has the wrong length): the
    // read answers 2, but a walk may go on past it from `key`.
    bool damaged = false;
};

class RecordFile {
public:
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens an existing file of ours, with its log applied. Another process's
    // open is compatible unless one of the two is exclusive. A file in a
    // folder we may not write opens read-only when no log lies beside it. A
    // rollback journal beside a file that keeps a log belongs to another
    // history: it is set aside, never played back (see companion_files.h).
    // Statuses: 0, 12 missing, 30 not ours, damaged or not a regular file,
    // or a log, index or journal beside it that is no regular file (the
    // file and whatever lies beside it are left untouched), 18 no room for
    // the log's index, 46 may not be read (or its log may not), 85 locked,
    // its log's index awaiting a writer (see stepAwaitingWriter), or the
    // name given to another entry while SQLite opened it, 88, 2.
    static int16_t open(const std::string& hostPath, bool exclusive, std::unique_ptr<RecordFile>& out);

    // Makes an empty file with `layout`, built aside and renamed into place so
    // no reader ever sees half a file. Statuses: 0, 59 exists (when not
    // `replace`), 85 open by this engine in any process or by any SQLite
    // connection, 46 a file to replace that this process may not open for
    // writing, 30 a folder, device or FIFO at the name (each left as it is),
    // 12 no such folder, 46 a folder we may not write, 18, 2.
    static int16_t create(const std::string& hostPath, const FileLayout& layout, bool replace);

    const FileLayout& layout() const { return layout_; }
    bool writable() const { return writable_; }

    // The record found along `key` from `encodedKey` (and, for Next and
    // Previous, the tie-breaking `id`). Statuses: 0, 4 (Equal), 9, 85, 2
    // (a damaged record: `row.damaged` and its id, version and key are set).
    int16_t seek(Seek how, int key, const std::string& encodedKey, int64_t id, Row& row);
    // The record `id`, its stored key `key` in `row.key`. Statuses: 0, 43 no
    // such record, 85, 2 as for `seek`.
    int16_t readById(int64_t id, int key, Row& row);
    // `record` has the file's record length. Statuses: 0, 5, 46, 85, 2.
    int16_t insert(const uint8_t* record, int64_t& id);
    // Replaces the record `id` read at `version`. Statuses: 0, 5, 10 a key
    // without the modifiable flag changed, 80 changed or deleted since, 46, 85, 2.
    int16_t update(int64_t id, int64_t version, const uint8_t* record);
    // Statuses: 0, 80, 46, 85, 2.
    int16_t remove(int64_t id, int64_t version);

    // One transaction on this file, held with the write lock from the start.
    int16_t begin();
    int16_t commit();
    void rollback();

    // Takes the open mode's lock again, shared or exclusive: false when
    // another open of the file stands in the way.
    bool setOpenMode(bool exclusive);

    // Lets the read snapshot go, if one is held.
    void endRead();
    bool holdsReadSnapshot() const { return reading_; }

private:
    // What shows, without reading the file, that someone wrote it: the main
    // file's size and times, and its log's (any writer makes the log first).
    struct Stamp {
        off_t size = 0, logSize = -1;
        int64_t modified = 0, changed = 0, logModified = 0;
        ino_t logInode = 0;
        bool operator==(const Stamp&) const = default;
    };

    RecordFile() = default;
    int16_t connect(bool logMode, sqlite3*& db, FileLayout& layout, bool& immutable);
    int16_t connectTo(const std::string& uri, int flags, sqlite3*& db, FileLayout& layout);
    void setUp(bool logMode);
    void dropStatements();
    int16_t catchUp();
    int16_t reconnect();
    Stamp stamp() const;
    int16_t endOfRead(int16_t result, Row& row) const;
    int16_t seekRow(Seek how, int key, const std::string& encodedKey, int64_t id, Row& row);
    int16_t readRowById(int64_t id, int key, Row& row);
    enum Statement : int;
    sqlite3_stmt* statement(int kind, int key);
    sqlite3_stmt* updateStatement(uint32_t changedKeys);
    void bindKeys(sqlite3_stmt* statement, const uint8_t* record, int firstParameter);
    int16_t execute(int kind);
    int16_t takeRow(sqlite3_stmt* statement, int key, Row& row) const;
    int16_t startRead();
    bool othersCommitted() const;
    void noteLogHeader();
    int16_t walk(bool forward, int key, const std::string& encodedKey, int64_t id, Row& row);
    void endWalk();

    // The first bytes of SQLite's shared index of the log (its header, two
    // copies): every commit of any process changes them.
    static constexpr size_t LogHeaderWords = 96 / sizeof(uint64_t);

    std::string hostPath_;
    std::string uri_;  // names the file judged and locked at the open (judged_vfs::uri)
    sqlite3* db_ = nullptr;
    int lockFd_ = -1;
    bool writable_ = false;
    // Read alone, without locks or log, by a process that may not make the
    // log's index: until `stamp_` shows that someone wrote it.
    bool immutable_ = false;
    Stamp stamp_;
    FileLayout layout_;
    std::vector<sqlite3_stmt*> statements_;
    std::vector<sqlite3_stmt*> updates_;  // by the set of keys they change
    std::vector<std::string> keyScratch_;
    bool writing_ = false;   // inside begin() .. commit()/rollback()
    bool reading_ = false;   // a read snapshot is held
    // The statement a walk steps on, left on the row `id` with stored key
    // `key` of key number `keyNumber`; only while the snapshot is held.
    struct Walk {
        sqlite3_stmt* statement = nullptr;
        bool forward = true;
        int keyNumber = 0;
        int64_t id = 0;
        std::string key;
    } walk_;
    // The log's shared index, when the file is in log mode, and its header as
    // it stood when the snapshot began.
    const volatile unsigned char* logIndex_ = nullptr;
    uint64_t logHeader_[LogHeaderWords] = {};
};

} // namespace qn3::recordmanager
