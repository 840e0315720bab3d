#pragma once

#include "recordmanager/file_layout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One record file: an SQLite database of our own format at the file's path.
//
// Statements are prepared once per file and reset right after their last
// step, so no read stays open between two calls (a live read would block
// the writes of every other process). Every method answers a record-manager
// status; none throws.
namespace qn3::recordmanager {

enum class Seek { Equal, Greater, GreaterOrEqual, Less, LessOrEqual, First, Last, Next, Previous };

struct Row {
    int64_t id = 0;
    int64_t version = 0;
    std::string data;
};

class RecordFile {
public:
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens an existing file of ours. Another process's open is compatible
    // unless one of the two is exclusive. Statuses: 0, 12 missing, 30 not
    // ours or damaged (the file is left untouched), 46, 88, 2.
    static int16_t open(const std::string& hostPath, bool exclusive, std::unique_ptr<RecordFile>& out);

    // Makes an empty file with `layout`, built aside and renamed into place so
    // no reader ever sees half a file. Statuses: 0, 59 exists (when not
    // `replace`), 85 open by someone, 12 no such folder, 46, 2.
    static int16_t create(const std::string& hostPath, const FileLayout& layout, bool replace);

    const FileLayout& layout() const { return layout_; }
    bool writable() const { return writable_; }

    // The record found along `key` from `encodedKey` (and, for Next and
    // Previous, the tie-breaking `id`). Statuses: 0, 4 (Equal), 9, 85, 2.
    int16_t seek(Seek how, int key, const std::string& encodedKey, int64_t id, Row& row);
    // Statuses: 0, 43 no such record, 85, 2.
    int16_t readById(int64_t id, Row& row);
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

private:
    RecordFile() = default;
    enum Statement : int;
    sqlite3_stmt* statement(int kind, int key);
    int16_t bindKeys(sqlite3_stmt* statement, const uint8_t* record, int firstParameter);
    int16_t execute(int kind);

    sqlite3* db_ = nullptr;
    int lockFd_ = -1;
    bool writable_ = false;
    FileLayout layout_;
    std::vector<sqlite3_stmt*> statements_;
    std::vector<std::string> keyScratch_;
};

} // namespace qn3::recordmanager
