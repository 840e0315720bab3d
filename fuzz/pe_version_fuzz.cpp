#include "platform/version_resource.h"

#include <cstdint>
#include <cstdlib>

// Any byte string is either a program with a version resource or not; the
// reader must never crash, hang, or hand out a table it did not find.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qn3::platform::version;
    const VersionResource resource =
        readVersionResource(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!resource.present && (resource.fixed || !resource.translations.empty() || !resource.stringTables.empty()))
        std::abort();
    for (const Translation& translation : resource.translations)
        (void)resource.stringValue(translationKey(translation), u"ProductName");
    return 0;
}
