#pragma once

#include "recordmanager/btrcall.h"
#include "recordmanager/record_manager_codes.h"

#include <array>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

// What the record manager's fuzz targets share: a private prefix with the
// folder C:\fuzz, and calls on a position block.
namespace qn3::fuzzing {

namespace rm = qn3::recordmanager;

// The host folder behind C:\fuzz, made once under $QN3_PREFIX (a fresh
// temporary one when unset).
inline const std::string& fuzzFolder()
{
    static const std::string folder = [] {
        if (!std::getenv("QN3_PREFIX")) {
            static char temporary[] = "/tmp/qn3-fuzz-XXXXXX";
            if (!::mkdtemp(temporary))
                std::abort();
            ::setenv("QN3_PREFIX", temporary, 1);
        }
        const std::string prefix = std::getenv("QN3_PREFIX");
        ::mkdir(prefix.c_str(), 0700);
        ::mkdir((prefix + "/drive_c").c_str(), 0700);
        ::mkdir((prefix + "/drive_c/fuzz").c_str(), 0700);
        return prefix + "/drive_c/fuzz";
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
