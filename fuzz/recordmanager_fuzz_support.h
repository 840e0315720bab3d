#pragma once

#include "fuzz_support.h"
#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"

#include <QDir>

#include <array>
#include <string>
#include <string_view>

// What the record manager's fuzz targets share: a private prefix with the
// folder C:\fuzz, and calls on a position block.
namespace qn3::fuzzing {

namespace rm = qn3::recordmanager;

// The host folder behind C:\fuzz, made once.
inline const QString& fuzzFolder()
{
    static const QString folder = [] {
        const QString path = privatePrefix() + QStringLiteral("/drive_c/fuzz");
        require(QDir().mkpath(path));
        return path;
    }();
    return folder;
}

// A position block with the key buffer that goes with it.
struct Block {
    Block() { bytes.fill(' '); }
    // A call with a data buffer of `length` bytes on the key `keyNumber`.
    int16_t call(uint16_t operation, void* data, int32_t length, int16_t keyNumber)
    {
        return BTRCALL(operation, bytes.data(), data, &length, key.data(), static_cast<int16_t>(key.size()), keyNumber);
    }
    std::array<char, rm::PositionBlockSize> bytes;
    std::array<char, 255> key{};
};

// Opens a file named in the key buffer, padded with blanks as the program does.
inline int16_t openFile(Block& block, std::string_view windowsPath)
{
    block.key.fill(' ');
    windowsPath.copy(block.key.data(), block.key.size());
    return block.call(rm::op::Open, nullptr, 0, rm::mode::Normal);
}

inline void closeFile(Block& block) { BTRCALL(rm::op::Close, block.bytes.data(), nullptr, nullptr, nullptr, 0, 0); }

// Walks every key both ways a few steps and reads on the way; any status
// goes, a crash does not.
inline void readAround(Block& block, int recordLength)
{
    const int32_t length = recordLength > 0 ? recordLength : 1;
    std::string data(static_cast<size_t>(length), ' ');
    for (int16_t k = 0; k < 9; ++k) {
        for (const uint16_t first : {rm::op::GetFirst, rm::op::GetLast}) {
            if (block.call(first, data.data(), length, k) == rm::status::InvalidKeyNumber)
                break;
            const uint16_t next = first == rm::op::GetFirst ? rm::op::GetNext : rm::op::GetPrevious;
            for (int step = 0; step < 4; ++step)
                block.call(next, data.data(), length, k);
        }
    }
}

} // namespace qn3::fuzzing
