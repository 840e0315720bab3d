#include "recordmanager_fuzz_support.h"

#include <QtEndian>

using namespace qn3::fuzzing;

// Any creation buffer: a status, and when the create succeeds a file
// that opens, takes a record and reads it back.
QN3_FUZZ_TARGET(bytes)
{
    fuzzFolder();
    std::string layout(bytes.data(), bytes.size());
    int32_t length = static_cast<int32_t>(bytes.size());
    std::string path = "C:\\fuzz\\created.bt6 ";
    Block creation;
    const int16_t created = BTRCALL(rm::op::Create, creation.bytes.data(), layout.data(), &length, path.data(),
                                    static_cast<int16_t>(path.size()), rm::createmode::Replace);
    if (created != rm::status::Success)
        return;
    const int recordLength = qFromLittleEndian<quint16>(bytes.data());
    Block block;
    require(openFile(block, "C:\\fuzz\\created.bt6 ") == rm::status::Success);
    std::string record(bytes.data(), bytes.size());
    record.resize(static_cast<size_t>(recordLength), 'r');
    require(block.call(rm::op::Insert, record.data(), recordLength, 0) == rm::status::Success);
    std::string back(record.size(), ' ');
    require(block.call(rm::op::GetFirst, back.data(), recordLength, 0) == rm::status::Success && back == record);
    readAround(block, recordLength);
    closeFile(block);
}
