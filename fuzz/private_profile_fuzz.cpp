#include "fuzz_support.h"
#include "platform/private_profile.h"
#include "platform/windows_path.h"

#include <algorithm>

using namespace qn3::platform;
using qn3::fuzzing::require;

// Any file content: reads must not crash, and a value written must read back
// while a second write of the same value leaves the file as it was.
QN3_FUZZ_TARGET(bytes)
{
    const QString ini = QStringLiteral("C:\\fuzz.ini");
    static const QString host = [&] {
        qn3::fuzzing::privatePrefix();
        return paths::toHost(ini);
    }();
    qn3::fuzzing::writeFile(host, bytes);
    PrivateProfile& profile = PrivateProfile::standard();
    // Names taken from the input itself reach the odd corners of the parser.
    const QString name = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 8)));
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
}
