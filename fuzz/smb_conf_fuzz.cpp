#include "platform/samba_shares.h"

#include <cstddef>
#include <cstdint>

// The share configuration is read from a file an administrator (or anyone
// with write access to it) controls: any bytes must parse without harm.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto shares = qn3::platform::shares::parseConfiguration(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const auto& share : shares) {
        if (share.name.isEmpty())
            __builtin_trap(); // a share always has a name
    }
    return 0;
}
