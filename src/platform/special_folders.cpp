#include "platform/special_folders.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QDir>

#include <QtGlobal>

namespace qn3::platform {
namespace {

QString userName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    return name.isEmpty() ? QStringLiteral("user") : name;
}

} // namespace

namespace {

// On Windows these folders always exist; here they appear on first use.
QString existing(const QString& windowsPath)
{
    QDir().mkpath(paths::toHost(windowsPath));
    return windowsPath;
}

QString folderPath(int32_t csidlNumber)
{
    const QString profile = QStringLiteral("C:\\users\\") + userName();
    const QString roaming = profile + QStringLiteral("\\AppData\\Roaming");
    const QString programs = roaming + QStringLiteral("\\Microsoft\\Windows\\Start Menu\\Programs");
    switch (csidlNumber) {
    case csidl::Desktop:
    case csidl::DesktopDirectory: return profile + QStringLiteral("\\Desktop");
    case csidl::Programs: return programs;
    case csidl::Personal: return profile + QStringLiteral("\\Documents");
    case csidl::Startup: return programs + QStringLiteral("\\Startup");
    case csidl::StartMenu: return roaming + QStringLiteral("\\Microsoft\\Windows\\Start Menu");
    case csidl::AppData: return roaming;
    case csidl::LocalAppData: return profile + QStringLiteral("\\AppData\\Local");
    case csidl::CommonAppData: return QStringLiteral("C:\\ProgramData");
    case csidl::Windows: return QStringLiteral("C:\\Windows");
    case csidl::System: return QStringLiteral("C:\\Windows\\System32");
    case csidl::ProgramFiles: return QStringLiteral("C:\\Program Files");
    default:
        throw RuntimeError(errors::InvalidProcedureCall,
                           QStringLiteral("Unknown special folder ") + QString::number(csidlNumber));
    }
}

} // namespace

QString specialFolder(int32_t csidlNumber) { return existing(folderPath(csidlNumber)); }

} // namespace qn3::platform
