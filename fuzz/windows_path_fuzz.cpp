#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// Any byte string, read as an ANSI path, maps without crashing; whatever it
// maps to stays below the prefix's dosdevices/, and with the current directory
// on C: a path on C: never climbs out of it.
namespace {

QTemporaryDir* prefixFolder;
QString devices;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    prefixFolder = new QTemporaryDir();
    if (!prefixFolder->isValid())
        std::abort();
    qputenv("QN3_PREFIX", QFile::encodeName(prefixFolder->path()));
    devices = QDir::cleanPath(prefixFolder->path()) + QStringLiteral("/dosdevices/");
    QDir().mkpath(prefixFolder->path() + QStringLiteral("/drive_c/Work/Sub"));
    qn3::platform::paths::setCurrentDirectory(u"C:\\work\\sub");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qn3::platform;
    const QString windows = ansi::decode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString host;
    try {
        host = paths::toHost(windows);
    } catch (const RuntimeError& error) {
        if (error.number() != errors::BadFileName && error.number() != errors::DeviceUnavailable)
            std::abort();
        return 0;
    }
    if (!host.startsWith(devices))
        std::abort();
    const bool onC = host.startsWith(devices + QStringLiteral("c:/"));
    const bool namesDriveOrShare = windows.size() >= 2 && (windows[1] == u':' || windows.startsWith(u"\\\\")
                                                           || windows.startsWith(u"//") || windows.startsWith(u"\\/")
                                                           || windows.startsWith(u"/\\"));
    if (!namesDriveOrShare && !onC)
        std::abort();
    if (onC && (host.contains(QStringLiteral("/../")) || host.endsWith(QStringLiteral("/.."))))
        std::abort();
    (void)paths::toWindows(host);
    return 0;
}
