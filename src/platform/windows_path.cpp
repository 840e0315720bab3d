#include "platform/windows_path.h"

#include "platform/runtime_error.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qn3::platform::paths {
namespace {

QString dosdevices() { return prefix() + QStringLiteral("/dosdevices"); }

// Creates drive_c and the c: and z: links the first time a prefix is used.
void ensureDrives()
{
    const QString devices = dosdevices();
    if (QFileInfo::exists(devices + QStringLiteral("/c:")))
        return;
    QDir().mkpath(prefix() + QStringLiteral("/drive_c"));
    QDir().mkpath(devices);
    QFile::link(QStringLiteral("../drive_c"), devices + QStringLiteral("/c:"));
    QFile::link(QStringLiteral("/"), devices + QStringLiteral("/z:"));
}

} // namespace

QString prefix()
{
    const QString explicitPrefix = qEnvironmentVariable("QN3_PREFIX");
    if (!explicitPrefix.isEmpty())
        return QDir::cleanPath(explicitPrefix);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/qn3-tools-vandrel"));
}

QString toHost(QStringView windowsPath)
{
    if (windowsPath.size() < 2 || windowsPath[1] != u':')
        throw RuntimeError(errors::BadFileName, QStringLiteral("Bad file name or number: ") + windowsPath.toString());
    ensureDrives();
    const QString drive = dosdevices() + u'/' + windowsPath[0].toLower() + u':';
    if (!QFileInfo::exists(drive))
        throw RuntimeError(errors::DeviceUnavailable, QStringLiteral("Device unavailable: ") + windowsPath.toString());
    QString rest = windowsPath.mid(2).toString();
    rest.replace(u'\\', u'/');
    return drive + (rest.startsWith(u'/') ? rest : u'/' + rest);
}

QString toWindows(QStringView hostPath)
{
    const QString driveC = QFileInfo(prefix() + QStringLiteral("/drive_c")).absoluteFilePath();
    QString path = hostPath.toString();
    if (path.startsWith(driveC + u'/') || path == driveC)
        path = QStringLiteral("C:") + path.mid(driveC.size());
    else
        path = QStringLiteral("Z:") + path;
    path.replace(u'/', u'\\');
    return path;
}

} // namespace qn3::platform::paths
