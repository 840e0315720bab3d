#include "fuzz_support.h"
#include "platform/registry_hive.h"

using namespace qn3::platform;

// Any hive text parses without crashing, and what it yields is written and
// read back to the same hive: saving never changes what a hive holds.
QN3_FUZZ_TARGET(bytes)
{
    const QByteArray saved = registry_hive::serialize(registry_hive::parse(bytes), u"HKEY_CURRENT_USER");
    const registry_hive::Hive back = registry_hive::parse(saved);
    qn3::fuzzing::require(back.damagedLines == 0 && registry_hive::serialize(back, u"HKEY_CURRENT_USER") == saved);
}
