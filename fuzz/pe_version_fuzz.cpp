#include "fuzz_support.h"
#include "platform/version_resource.h"

// Any byte string is either a program with a version resource or not; the
// reader must never crash, hang, or hand out a table it did not find.
QN3_FUZZ_TARGET(bytes)
{
    using namespace qn3::platform::version;
    const VersionResource resource = readVersionResource(bytes);
    qn3::fuzzing::require(resource.present
                          || (!resource.fixed && resource.translations.empty() && resource.stringTables.empty()));
    for (const Translation& translation : resource.translations)
        (void)resource.stringValue(translationKey(translation), u"ProductName");
}
