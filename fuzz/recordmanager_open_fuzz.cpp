#include "recordmanager_fuzz_support.h"

#include <fstream>
#include <iterator>

using namespace qn3::fuzzing;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

// Any bytes as a record file: open and reads answer a status, never crash,
// and never change the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzFolder() + "/damaged.bt6";
    for (const char* suffix : {"-wal", "-shm"})
        std::remove((path + suffix).c_str());
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    Block block;
    if (openFile(block, "C:\\fuzz\\damaged.bt6 ") == rm::status::Success) {
        readAround(block, 4096);
        BTRCALL(rm::op::Close, block.bytes.data(), nullptr, nullptr, nullptr, 0, 0);
    }
    if (contents(path) != bytes)
        std::abort();
    return 0;
}
