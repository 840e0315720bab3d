#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The header block of the day's trace log and the sources of its lines.
//
// Each line's source is one small function below, so a test can check them
// one by one. The radio's identity is not in the settings read so far: it is
// 0 and "Radio" until the site settings that carry it are read.
namespace qn3::services {

// The ten header lines, each starting "==:==:==:====:=:=:=:".
QStringList EnteteJourLog();

// The time since start-up of the header: "[d D h H ]m Min s Sec".
QString TempsDepuisDemarrage(int64_t milliseconds);

// "WinClassic" when the theme value read as a number is 0, else "WinXP".
QString NomTheme(const QString& valeurThemeActive);

namespace logheader {

// The program's build, VersionApplication: "2019.0814.1011".
QString appVersion();
// The program's folder (Windows form, trailing backslash), name and ".exe".
QString exeName();
// The product name of the program's own version resource, else
// "QN3_Tools_Vandrel" (a program built for this platform has no resource).
QString productName();
// ComputerName: the host name in upper case, at most 15 characters.
QString computerName();
// GetOSDisplayString.
QString operatingSystem();
// The "ThemeActive" value of the theme manager, as text.
QString themeActiveValue();

// The radio named on the "Id Radio: " line. Until the site settings carry
// it: number 0, name "Radio".
int32_t radioId();
QString radioName();

} // namespace logheader
} // namespace qn3::services
