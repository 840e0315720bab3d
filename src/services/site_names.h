#pragma once

#include <QString>
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

// Whether the settings file holds the section (names compared without case).
bool SectionPresente(const QString& Fichier, const QString& Section);

// The section a base's "QN3_Systeme.ini" is read under for base `NoBase`:
// "Base_01" when the file has that section (a base set up as the first, or
// copied from a one-base site), else the base's own. The sections named from
// it (stations, sound and settings folders) follow it.
QString SectionBaseSysteme(const QString& FichierSysteme, int32_t NoBase);

// The numeric value a settings text starts with, rounded to the nearest
// 16-bit integer (halves to the even neighbour). Throws RuntimeError 6 when
// it does not fit, as the conversion of a too large number does.
int16_t EntierCourt(const QString& Texte);

} // namespace qn3::services
