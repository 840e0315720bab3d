#pragma once

#include <QString>

// Counts a code up by one the way an odometer turns, digits then letters
// ("00009" -> "0000A", "0000Z" -> "00010"), for new song ids when the last
// code in use is not a number. Blanks count as "0"; lower-case letters count
// like capitals and stay lower case; a character outside 0-9, A-Z, a-z stops
// the carry; an all-"Z" code wraps to all "0". The result is `Prefixe`
// followed by the counted-up code.
namespace qn3::database {

QString DetermineNouveauCodePlusA(QString Code, const QString& Prefixe);

} // namespace qn3::database
