#include "fuzz_support.h"
#include "platform/ansi.h"

using namespace qn3;

// Any byte string must come back unchanged through the code page.
QN3_FUZZ_TARGET(bytes)
{
    fuzzing::require(platform::ansi::encode(platform::ansi::decode(bytes)) == bytes);
}
