#include "platform/ansi.h"

#include <cstdint>
#include <cstdlib>

// Any byte string must come back unchanged through the code page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (qn3::platform::ansi::encode(qn3::platform::ansi::decode(bytes)) != bytes)
        std::abort();
    return 0;
}
