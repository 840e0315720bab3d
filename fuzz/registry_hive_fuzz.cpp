#include "fuzz_support.h"
#include "platform/registry_hive.h"

using namespace qn3::platform;

// Any hive text parses without crashing, and what it yields is written and
// read back to the same hive: saving never changes what a hive holds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const registry_hive::Hive hive = registry_hive::parse(qn3::fuzzing::input(data, size));
    const QByteArray saved = registry_hive::serialize(hive, u"HKEY_CURRENT_USER");
    const registry_hive::Hive back = registry_hive::parse(saved);
    qn3::fuzzing::require(back.damagedLines == 0 && registry_hive::serialize(back, u"HKEY_CURRENT_USER") == saved);
    return 0;
}
