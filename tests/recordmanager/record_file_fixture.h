#pragma once

#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"
#include "support/temp_prefix.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <vector>

// Helpers of the record manager's tests: layouts, position blocks
// and calls with std::string records and keys.
namespace qn3::testing {

namespace rm = qn3::recordmanager;

using Layout = std::array<uint8_t, rm::CreationBufferSize>;

// `position` counted from 1.
struct SegmentLayout { uint16_t position, length, flags; };

// A 160-byte creation buffer.
inline Layout makeLayout(uint16_t recordLength, uint16_t keys, std::initializer_list<SegmentLayout> segments,
                         uint16_t pageSize = 4096)
{
    Layout layout{};
    const auto put = [&](size_t at, uint16_t value) {
        layout[at] = static_cast<uint8_t>(value);
        layout[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    put(0, recordLength);
    put(2, pageSize);
    put(4, keys);
    put(10, 8);
    size_t at = 16;
    for (const SegmentLayout& segment : segments) {
        put(at, segment.position);
        put(at + 2, segment.length);
        put(at + 4, segment.flags);
        at += 16;
    }
    return layout;
}

// The file most tests use: 40-byte records.
//   key 0: bytes 1-4, unique, not modifiable
//   key 1: bytes 5-12, duplicates, modifiable
//   key 2: bytes 13-14 then 15-17, case-insensitive, modifiable, unique
inline Layout standardLayout()
{
    return makeLayout(40, 3, {{1, 4, 0}, {5, 8, 3}, {13, 2, 16 | 2 | 1024}, {15, 3, 2 | 1024}});
}

// A record of the standard file; the rest of its 40 bytes is filler.
inline std::string record(const std::string& id, const std::string& group, const std::string& name,
                          char filler = '.')
{
    std::string r(40, filler);
    r.replace(0, 4, (id + "    ").substr(0, 4));
    r.replace(4, 8, (group + "        ").substr(0, 8));
    r.replace(12, 5, (name + "     ").substr(0, 5));
    return r;
}

// A record id: the number on four digits.
inline std::string id(int number)
{
    return QString::number(number).rightJustified(4, u'0').toStdString();
}

struct Block {
    Block() { bytes.fill(' '); }
    std::array<uint8_t, rm::PositionBlockSize> bytes;
    void* data() { return bytes.data(); }
};

// The answer of one read or write: status, record and key handed back.
struct Answer { int16_t status; std::string data, key; };

// One step of a scripted walk; key number -1 is the walk's own.
struct Step { uint16_t op; std::string key{}, data{}; int16_t keyNumber = -1; };

class RecordFileTest : public ::testing::Test {
protected:
    RecordFileTest() { QDir().mkpath(prefix.driveC() + QStringLiteral("/data")); }

    // "C:\data\<name>.bt6" followed by a blank, as callers pass it.
    static std::string windowsPath(const std::string& name) { return "C:\\data\\" + name + ".bt6 "; }
    std::string hostPath(std::string name) const { return prefix.driveC().toStdString() + "/data/" + name + ".bt6"; }

    static int16_t create(const std::string& name, const Layout& layout, int16_t mode = rm::createmode::Replace)
    {
        Block unused;
        const std::string bytes(layout.begin(), layout.end());
        return call(rm::op::Create, unused, mode, windowsPath(name), bytes, rm::CreationBufferSize).status;
    }

    static int16_t open(Block& block, const std::string& name, int16_t mode = rm::mode::Normal)
    {
        return call(rm::op::Open, block, mode, windowsPath(name)).status;
    }

    static int16_t close(Block& block) { return call(rm::op::Close, block, 0, {}, {}, 0).status; }

    // Creates `name`, opens it in `block` and inserts `records`.
    void make(Block& block, const std::string& name, std::initializer_list<std::string> records,
              const Layout& layout = standardLayout())
    {
        ASSERT_EQ(create(name, layout), 0);
        ASSERT_EQ(open(block, name), 0);
        for (const std::string& r : records)
            ASSERT_EQ(insert(block, r), 0) << r;
    }

    // Any record operation: `data` goes in (and is padded to `length`), the
    // key buffer holds `key` padded to 255 bytes.
    static Answer call(uint16_t operation, Block& block, int16_t keyNumber, const std::string& key = {},
                       const std::string& data = {}, int32_t length = 40)
    {
        std::string buffer = data;
        buffer.resize(static_cast<size_t>(std::max(length, 1)), ' ');
        std::string keyBuffer = key;
        keyBuffer.resize(255, ' ');
        int32_t dataLength = length;
        const int16_t status = BTRCALL(operation, block.data(), buffer.data(), &dataLength, keyBuffer.data(), 255,
                                       keyNumber);
        buffer.resize(static_cast<size_t>(std::clamp(dataLength, 0, std::max(length, 1))));
        return {status, buffer, keyBuffer};
    }

    static int16_t insert(Block& block, const std::string& r, int16_t keyNumber = 0)
    {
        return call(rm::op::Insert, block, keyNumber, {}, r, static_cast<int32_t>(r.size())).status;
    }
    // Begin, end or abort: calls that take no block.
    static int16_t transaction(uint16_t operation)
    {
        Block unused;
        return call(operation, unused, 0).status;
    }

    // What each step met, blank-separated: the record's id (an insert's from
    // the key it hands back), "-" for a delete, "#status" for a failure.
    static std::string run(Block& block, int16_t keyNumber, const std::vector<Step>& steps)
    {
        std::string met;
        for (const Step& s : steps) {
            const Answer a = call(s.op, block, s.keyNumber < 0 ? keyNumber : s.keyNumber, s.key, s.data);
            if (a.status != 0)
                met += "#" + std::to_string(a.status) + " ";
            else
                met += s.op == rm::op::Delete ? "- " : (s.op == rm::op::Insert ? a.key : a.data).substr(0, 4) + " ";
        }
        return met;
    }

    // The ids (first four bytes) of the records a walk meets, from `first`
    // then `next` until a status other than 0 (or `limit` records, so that a
    // walk through a damaged file ends).
    static std::string walk(Block& block, int16_t keyNumber, uint16_t first, uint16_t next, int limit = 1000)
    {
        std::string ids;
        for (Answer a = call(first, block, keyNumber); a.status == 0 && limit-- > 0; a = call(next, block, keyNumber))
            ids += a.data.substr(0, 4) + "|";
        return ids;
    }

    // Runs one statement on the file through a connection of its own, as
    // another program would, with `blobs` bound to ?1, ?2...: SQLite's result.
    int sqlite(const std::string& name, const std::string& sql, std::initializer_list<std::string> blobs = {}) const
    {
        sqlite3* db = nullptr;
        sqlite3_stmt* statement = nullptr;
        sqlite3_open(hostPath(name).c_str(), &db);
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
        int parameter = 0;
        for (const std::string& blob : blobs)
            sqlite3_bind_blob(statement, ++parameter, blob.data(), int(blob.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(statement);  // SQLITE_MISUSE when nothing was prepared
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rc;
    }

    TempPrefix prefix;
};

} // namespace qn3::testing
