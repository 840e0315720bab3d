#pragma once

#include "database/call_block.h"
#include "database/record_manager_access.h"
#include "support/services_fixture.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

namespace qn3::testing {

// Answers each call with the next scripted status (0 once none is left) and
// keeps what it was handed; `fill` may write the record a read returns.
class ScriptedRecordManager final : public database::RecordManagerAccess {
public:
    // `key` up to its first NUL.
    struct Call { uint16_t op; QByteArray key; int32_t length; int16_t keyLength; QByteArray data; int16_t keyNumber; };
    std::deque<int16_t> statuses;
    std::vector<Call> calls;
    std::function<void(uint16_t op, char* data, int32_t* length)> fill;

    int16_t call(uint16_t op, void*, void* data, int32_t* length, void* key, int16_t keyLength,
                 int16_t keyNumber) override
    {
        calls.push_back({op, QByteArray(static_cast<const char*>(key)), *length, keyLength,
                         QByteArray(static_cast<const char*>(data), std::max(*length, 0)), keyNumber});
        if (fill)
            fill(op, static_cast<char*>(data), length);
        const int16_t s = statuses.empty() ? 0 : statuses.front();
        if (!statuses.empty())
            statuses.pop_front();
        return s;
    }
};

// Services test with the database's module state as at start-up.
class DatabaseTest : public ServicesTest {
protected:
    DatabaseTest() { database::TEST_resetDatabaseState(); }
    ~DatabaseTest() override { database::TEST_resetDatabaseState(); }
    // A buffered trace line of any zone ends with `text`.
    bool traces(const QString& text) const
    {
        const QStringList lines = traced();
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.endsWith(text); });
    }
};

} // namespace qn3::testing
