#include "fuzz_support.h"
#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QDir>

using namespace qn3::platform;
using qn3::fuzzing::require;

// Any byte string, read as an ANSI path, maps without crashing; whatever it
// maps to stays below the prefix's dosdevices/, and with the current directory
// on C: a path on C: never climbs out of it.
QN3_FUZZ_TARGET(bytes)
{
    static const QString devices = [] {
        const QString prefix = qn3::fuzzing::privatePrefix();
        require(QDir().mkpath(prefix + QStringLiteral("/drive_c/Work/Sub")));
        paths::setCurrentDirectory(u"C:\\work\\sub");
        return QDir::cleanPath(prefix) + QStringLiteral("/dosdevices/");
    }();
    const QString windows = ansi::decode(bytes);
    QString host;
    try {
        host = paths::toHost(windows);
    } catch (const RuntimeError& error) {
        require(error.number() == errors::BadFileName || error.number() == errors::DeviceUnavailable);
        return;
    }
    require(host.startsWith(devices));
    const bool onC = host.startsWith(devices + QStringLiteral("c:/"));
    const auto slash = [&](qsizetype i) { return windows[i] == u'\\' || windows[i] == u'/'; };
    const bool namesDriveOrShare = windows.size() >= 2 && (windows[1] == u':' || (slash(0) && slash(1)));
    require(namesDriveOrShare || onC);
    require(!onC || (!host.contains(QStringLiteral("/../")) && !host.endsWith(QStringLiteral("/.."))));
    (void)paths::toWindows(host);
}
