#pragma once

#include "platform/version_resource.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

// The program's own build, named by its date, and the version resource of
// other program files.
namespace qn3::services {

// What VersionFichier read last; all four are emptied at the start of every
// call, so a file without a version resource leaves them all empty.
struct InfoVersionFichierRecord {
    QString ProductVersion; // "03.10.027": product major.minor.low half of the low word
    QString FileVersion;    // "02.05 b 003": file major.minor, a letter for the build, the revision
    QString ProductName;
    QString CompanyName;
};

inline InfoVersionFichierRecord InfoVersionFichier;

// The build date and time of the running program: its version numbers carry
// the year, MMDD and HHMM (out-of-range months, days, hours and minutes roll
// over as calendar arithmetic does). Numbers below the year 2000 fall back to
// the file description read as a date, then to 1 January 2000 00:00:00.
QDateTime DateApplication();
// The same for given build numbers.
QDateTime DateApplication(const platform::version::BuildNumbers& numbers);

// "yyyy.MMdd.hhmm" of DateApplication: "2019.0814.1011".
QString VersionApplication();
QString VersionApplication(const platform::version::BuildNumbers& numbers);

// Reads the version resource of `Fichier` (a Windows path) into
// InfoVersionFichier. Only Windows program files carry one; for any other
// file, or one that cannot be read, the four fields stay empty.
void VersionFichier(const QString& Fichier);

// Exchanges the two bytes.
void VersionFichier_SwapByte(uint8_t& Byte1, uint8_t& Byte2);

// Upper-case hexadecimal of `Valeur` on eight digits, of which the last
// `NbChiffres` are kept.
QString VersionFichier_FixedHex(uint32_t Valeur, int32_t NbChiffres);

// The high and low 16 bits of a 32-bit value, 0 to 65535.
int32_t HIWORD(uint32_t Valeur);
int32_t LOWORD(uint32_t Valeur);

} // namespace qn3::services
