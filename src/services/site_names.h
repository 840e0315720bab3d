#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The numbered section and key names of the site's settings files, and the
// conversion of their numeric values. Numbers in names are written with
// "0" as fill: two digits in the site's own files, three in the suite's
// older ones.
namespace qn3::services {

// `Nombre` in `Chiffres` digits with "0" as fill ("03", "003").
QString Chiffres(int32_t Nombre, int16_t Chiffres);

// "Base_" followed by the base number in two digits.
QString SectionBase(int32_t NoBase);

// The base number whose sections a base's settings file is read under: 1
// when the file has any of `SectionsBase1`, the sections it would hold as
// base 1 (a base set up as the first, or copied from a one-base site; names
// compared without case), else `NoBase`, the base's own.
int32_t NoBaseDesSections(const QString& Fichier, const QStringList& SectionsBase1, int32_t NoBase);

// The section a base's "QN3_Systeme.ini" is read under for base `NoBase`:
// "Base_01" when the file has it, else the base's own (NoBaseDesSections).
// The sections named from it (stations, sound and settings folders) follow it.
QString SectionBaseSysteme(const QString& FichierSysteme, int32_t NoBase);

// The numeric value a settings text starts with, rounded to the nearest
// 16-bit integer (halves to the even neighbour). Throws RuntimeError 6 when
// it does not fit, as the conversion of a too large number does.
int16_t EntierCourt(const QString& Texte);

} // namespace qn3::services
