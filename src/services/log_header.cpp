#include "services/log_header.h"

#include "platform/registry_store.h"
#include "platform/version_resource.h"
#include "platform/windows_path.h"
#include "services/clocks.h"
#include "services/formats.h"
#include "services/os_facts.h"
#include "services/path_names.h"
#include "services/registry_access.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/versions.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace qn3::services {
namespace {

const QString kHeaderPrefix = QStringLiteral("==:==:==:====:=:=:=:");
constexpr int kRuleLength = 43;

} // namespace

namespace logheader {

QString appVersion() { return VersionApplication(); }

QString exeName()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("QN3_Tools_Vandrel.exe");
    const QString folder = CheckRep(platform::paths::toWindows(QCoreApplication::applicationDirPath()));
    return folder + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".exe");
}

// The product name of the program file's own version resource; a program
// built for this platform carries none, and is then named by its product.
QString productName()
{
    const QString fallback = QStringLiteral("QN3_Tools_Vandrel");
    if (!QCoreApplication::instance())
        return fallback;
    const auto resource = platform::version::readFileVersionResource(
        platform::paths::toWindows(QCoreApplication::applicationFilePath()));
    if (resource.translations.empty())
        return fallback;
    const QString name = resource.stringValue(platform::version::translationKey(resource.translations.front()),
                                              u"ProductName");
    return name.isEmpty() ? fallback : name;
}

QString computerName() { return ComputerName(); }

QString operatingSystem() { return GetOSDisplayString(); }

QString themeActiveValue()
{
    QString value;
    Reg_GetValue(platform::HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                 QStringLiteral("ThemeActive"), value);
    return value;
}

int32_t radioId() { return 0; }

QString radioName() { return QStringLiteral("Radio"); }

} // namespace logheader

QString NomTheme(const QString& valeurThemeActive)
{
    return Val(valeurThemeActive) == 0 ? QStringLiteral("WinClassic") : QStringLiteral("WinXP");
}

QString TempsDepuisDemarrage(int64_t milliseconds)
{
    // Seconds to four decimals, as the currency counter holds them.
    const double t = std::round(static_cast<double>(milliseconds) / 1000.0 * 10000.0) / 10000.0;
    int64_t minutes = static_cast<int64_t>(t / 60);
    const int64_t seconds = static_cast<int64_t>(std::nearbyint(t)) % 60;
    int64_t hours = 0;
    int64_t days = 0;
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
        if (hours >= 24) {
            days = hours / 24;
            hours %= 24;
        }
    }
    QString text;
    if (days > 0)
        text = QString::number(days) + QStringLiteral(" D ") + QString::number(hours) + QStringLiteral(" H ");
    else if (hours > 0)
        text = QString::number(hours) + QStringLiteral(" H ");
    return text + QString::number(minutes) + QStringLiteral(" Min ") + QString::number(seconds) + QStringLiteral(" Sec");
}

QStringList EnteteJourLog()
{
    const QString rule(kRuleLength, u'=');
    const QStringList lines = {
        rule,
        QStringLiteral("System started since ") + TempsDepuisDemarrage(GetTickCount64()),
        QStringLiteral("App.Version: ") + logheader::appVersion(),
        QStringLiteral("App.ExeName: ") + logheader::exeName(),
        QStringLiteral("App.ProductName: ") + logheader::productName(),
        QStringLiteral("Computer.Name: ") + logheader::computerName(),
        QStringLiteral("ActiveTheme: ") + NomTheme(logheader::themeActiveValue()),
        QStringLiteral("Operating System: ") + logheader::operatingSystem(),
        QStringLiteral("Id Radio: ") + QString::number(logheader::radioId()) + QStringLiteral(": ") + logheader::radioName(),
        rule,
    };
    QStringList result;
    result.reserve(lines.size());
    for (const QString& line : lines)
        result.append(kHeaderPrefix + line);
    return result;
}

} // namespace qn3::services
