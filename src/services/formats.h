#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>

// Number, date and text formats every other part relies on. Failures are
// trapped and reported (see trap.h); after one a function returns what it had
// built so far.
namespace qn3::services {

// `Valeur` in `Longueur` characters, right-aligned, filled with the first
// character of `Car` (a blank when empty), with `Decimales` decimals; a
// number wider than `Longueur` loses its leading digits. Halves round to
// even after 0.005 is added. A negative number takes a "-" in its rightmost
// fill blank, else in place of a leading "0", else in front.
QString N2S(double Valeur, int16_t Longueur, int16_t Decimales, const QString& Car);

// The date as eight digits: year, month, day. An invalid date gives today.
QString D2S(const QDate& Moment);

// `Moment` written by the pattern `Format` ("HH:MM:SS" when blank). Pattern
// letters ignore case; m/mm right after an hour token are minutes; "Long
// Date", "Short Date", "Long Time", "Short Time" and "General Date" are the
// system's forms.
QString Date2StringEx(const QDateTime& Moment, const QString& Format);

// `Texte` filled on the right with the first character of `Car` or cut to
// `Longueur` characters; an empty `Car` becomes " " in the caller's variable.
QString Calibre(const QString& Texte, QString& Car, int32_t Longueur);

// Control characters and characters of ANSI code 251 and above, except the
// French letters é è à ç û ô â ë ù, become blanks in `Texte`; returns a copy.
QString ClearChaine(QString& Texte);

// Raises `Valeur` to `Minimum` in place.
void CheckValiditeValeurMin(int32_t& Valeur, const int32_t& Minimum);

// VB's Val: the number the text starts with, blanks ignored, 0 when none.
double Val(QStringView text);

// The whole number nearest to `value`, a half going to the even neighbour;
// throws RuntimeError 6 when it does not fit in 32 bits.
int32_t CLng(double value);

} // namespace qn3::services
