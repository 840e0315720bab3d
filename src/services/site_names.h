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

// The numeric value a settings text starts with, rounded to the nearest
// 16-bit integer (halves to the even neighbour). Throws RuntimeError 6 when
// it does not fit, as the conversion of a too large number does.
int16_t EntierCourt(const QString& Texte);

} // namespace qn3::services
