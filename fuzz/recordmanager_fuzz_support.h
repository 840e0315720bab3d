#pragma once

#include "fuzz_support.h"
#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"

#include <QDir>

#include <array>
#include <string>

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

struct Block {
    Block() { bytes.fill(' '); }
    std::array<char, rm::PositionBlockSize> bytes;
};

inline int16_t openFile(Block& block, const char* windowsPath)
{
    std::string path = windowsPath;
    path.resize(255, ' ');
    int32_t length = 0;
    return BTRCALL(rm::op::Open, block.bytes.data(), nullptr, &length, path.data(), 255, rm::mode::Normal);
}

inline void closeFile(Block& block)
{
    BTRCALL(rm::op::Close, block.bytes.data(), nullptr, nullptr, nullptr, 0, 0);
}

// Walks every key both ways a few steps and reads on the way; any status
// goes, a crash does not.
inline void readAround(Block& block, int recordLength)
{
    std::string data(static_cast<size_t>(recordLength > 0 ? recordLength : 1), ' ');
    char key[255] = {};
    for (int16_t k = 0; k < 9; ++k) {
        for (const uint16_t first : {rm::op::GetFirst, rm::op::GetLast}) {
            int32_t length = static_cast<int32_t>(data.size());
            if (BTRCALL(first, block.bytes.data(), data.data(), &length, key, 255, k) == rm::status::InvalidKeyNumber)
                break;
            for (int step = 0; step < 4; ++step) {
                length = static_cast<int32_t>(data.size());
                BTRCALL(first == rm::op::GetFirst ? rm::op::GetNext : rm::op::GetPrevious, block.bytes.data(),
                        data.data(), &length, key, 255, k);
            }
        }
    }
}

} // namespace qn3::fuzzing
