#include "fuzz_support.h"
#include "platform/private_profile.h"
#include "platform/windows_path.h"

#include <algorithm>

using namespace qn3::platform;
using qn3::fuzzing::require;

// Any file content: reads must not crash, and a value written must read back
// while a second write of the same value leaves the file as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString host = [] {
        const QString prefix = qn3::fuzzing::privatePrefix();
        paths::toHost(u"C:\\"); // makes drive_c
        return prefix + QStringLiteral("/drive_c/fuzz.ini");
    }();
    const QString ini = QStringLiteral("C:\\fuzz.ini");
    qn3::fuzzing::writeFile(host, qn3::fuzzing::input(data, size));
    PrivateProfile& profile = PrivateProfile::standard();
    // Names taken from the input itself reach the odd corners of the parser.
    const QString name = QString::fromLatin1(qn3::fuzzing::input(data, std::min<size_t>(size, 8)));
    profile.readString(ini, name, name, u"d", 255);
    profile.sectionNames(ini, 64);
    profile.keyNames(ini, name, 64);

    require(profile.writeString(ini, u"Fuzz Section", u"FuzzKey", u"value 1").succeeded);
    require(profile.readString(ini, u"fuzz section", u"fuzzkey", u"", 255).text == QStringLiteral("value 1"));
    const QByteArray written = qn3::fuzzing::readFile(host);
    require(profile.writeString(ini, u"Fuzz Section", u"FuzzKey", u"value 1").succeeded);
    require(qn3::fuzzing::readFile(host) == written);
    profile.deleteKey(ini, name, name);
    profile.deleteSection(ini, u"Fuzz Section");
    require(profile.readString(ini, u"fuzz section", u"fuzzkey", u"gone", 255).text == QStringLiteral("gone"));
    return 0;
}
