#include "recordmanager_fuzz_support.h"

#include <cstring>

using namespace qn3::fuzzing;

// Any creation buffer: a status, and when the create succeeds a file
// that opens, takes a record and reads it back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzFolder();
    std::string layout(reinterpret_cast<const char*>(data), size);
    int32_t length = static_cast<int32_t>(size);
    std::string path = "C:\\fuzz\\created.bt6 ";
    Block creation;
    const int16_t created = BTRCALL(rm::op::Create, creation.bytes.data(), layout.data(), &length, path.data(),
                                    static_cast<int16_t>(path.size()), rm::createmode::Replace);
    if (created != rm::status::Success)
        return 0;
    const int recordLength = data[0] | (data[1] << 8);
    Block block;
    require(openFile(block, "C:\\fuzz\\created.bt6 ") == rm::status::Success);
    std::string record(static_cast<size_t>(recordLength), 'r');
    std::memcpy(record.data(), data, std::min(size, record.size()));
    char key[255];
    length = recordLength;
    require(BTRCALL(rm::op::Insert, block.bytes.data(), record.data(), &length, key, 255, 0) == rm::status::Success);
    std::string back(record.size(), ' ');
    length = recordLength;
    require(BTRCALL(rm::op::GetFirst, block.bytes.data(), back.data(), &length, key, 255, 0) == rm::status::Success
            && back == record);
    readAround(block, recordLength);
    closeFile(block);
    return 0;
}
