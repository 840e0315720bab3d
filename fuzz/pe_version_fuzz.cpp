#include "fuzz_support.h"
#include "platform/version_resource.h"

// Any byte string is either a program with a version resource or not; the
// reader must never crash, hang, or hand out a table it did not find.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qn3::platform::version;
    const VersionResource resource = readVersionResource(qn3::fuzzing::input(data, size));
    qn3::fuzzing::require(resource.present
                          || (!resource.fixed && resource.translations.empty() && resource.stringTables.empty()));
    for (const Translation& translation : resource.translations)
        (void)resource.stringValue(translationKey(translation), u"ProductName");
    return 0;
}
