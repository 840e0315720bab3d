#include "fuzz_support.h"
#include "platform/samba_shares.h"

// The share configuration is read from a file an administrator (or anyone
// with write access to it) controls: any bytes must parse without harm, and
// a share always has a name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const auto& share : qn3::platform::shares::parseConfiguration(qn3::fuzzing::input(data, size)))
        qn3::fuzzing::require(!share.name.isEmpty());
    return 0;
}
