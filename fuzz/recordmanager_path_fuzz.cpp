#include "recordmanager_fuzz_support.h"

#include <algorithm>
#include <vector>

using namespace qn3::fuzzing;

// Any key buffer as the path of an open, with the buffer's own length: never
// a read past the buffer, and a name that does not end inside it (at a NUL,
// or with blanks up to its end) is refused with 11 rather than cut.
QN3_FUZZ_TARGET(bytes)
{
    fuzzFolder();
    std::vector<char> key(bytes.begin(), bytes.begin() + std::min<qsizetype>(bytes.size(), 1024));
    if (key.empty())
        return;
    const bool ends = key.back() == ' ' || std::find(key.begin(), key.end(), '\0') != key.end();
    Block block;
    int32_t length = 0;
    const int16_t status = BTRCALL(rm::op::Open, block.bytes.data(), nullptr, &length, key.data(),
                                   static_cast<int16_t>(key.size()), rm::mode::Normal);
    require((status == rm::status::InvalidFileName) != ends);
    if (status == rm::status::Success)
        closeFile(block);
}
