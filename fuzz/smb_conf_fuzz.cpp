#include "fuzz_support.h"
#include "platform/samba_shares.h"

// The share configuration is read from a file an administrator (or anyone
// with write access to it) controls: any bytes must parse without harm, and
// a share always has a name.
QN3_FUZZ_TARGET(bytes)
{
    for (const auto& share : qn3::platform::shares::parseConfiguration(bytes))
        qn3::fuzzing::require(!share.name.isEmpty());
}
