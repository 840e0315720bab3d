#include "platform/private_profile.h"
#include "platform/windows_path.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace qn3::platform;

// Any file content: reads must not crash, and a value written must read back
// while a second write of the same value leaves the file as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir prefix;
    static const bool ready = [] {
        qputenv("QN3_PREFIX", prefix.path().toLocal8Bit());
        paths::toHost(u"C:\\");
        return true;
    }();
    (void)ready;
    const QString host = prefix.path() + QStringLiteral("/drive_c/fuzz.ini");
    const QString ini = QStringLiteral("C:\\fuzz.ini");
    {
        QFile file(host);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    }
    PrivateProfile& profile = PrivateProfile::standard();
    // Names taken from the input itself reach the odd corners of the parser.
    const QString name = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size < 8 ? size : 8));
    profile.readString(ini, name, name, u"d", 255);
    profile.sectionNames(ini, 64);
    profile.keyNames(ini, name, 64);

    if (!profile.writeString(ini, u"Fuzz Section", u"FuzzKey", u"value 1").succeeded)
        std::abort();
    if (profile.readString(ini, u"fuzz section", u"fuzzkey", u"", 255).text != QStringLiteral("value 1"))
        std::abort();
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray written = file.readAll();
    file.close();
    if (!profile.writeString(ini, u"Fuzz Section", u"FuzzKey", u"value 1").succeeded)
        std::abort();
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != written)
        std::abort();
    profile.deleteKey(ini, name, name);
    profile.deleteSection(ini, u"Fuzz Section");
    if (profile.readString(ini, u"fuzz section", u"fuzzkey", u"gone", 255).text != QStringLiteral("gone"))
        std::abort();
    return 0;
}
