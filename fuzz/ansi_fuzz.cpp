#include "fuzz_support.h"
#include "platform/ansi.h"

using namespace qn3;

// Any byte string must come back unchanged through the code page.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes = fuzzing::input(data, size);
    fuzzing::require(platform::ansi::encode(platform::ansi::decode(bytes)) == bytes);
    return 0;
}
