#include "services/formats.h"

#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/runtime_error.h"
#include "services/trap.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <optional>
#include <limits>

// Sections: VB helpers (Val, CLng, argument checks) - N2S - D2S -
// Date2StringEx (pattern reader) - Calibre, ClearChaine, CheckValiditeValeurMin.

namespace qn3::services {
namespace {

using platform::RuntimeError;
namespace errors = platform::errors;

[[noreturn]] void invalidCall(const char* what)
{
    throw RuntimeError(errors::InvalidProcedureCall,
                       platform::runtimeErrorText(errors::InvalidProcedureCall) + QStringLiteral(": ") + QLatin1String(what));
}

// String(count, fill): a negative count is an invalid call.
QString repeated(int count, QChar fill)
{
    if (count < 0)
        invalidCall("negative length");
    return QString(count, fill);
}

bool isBlankForVal(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

} // namespace

double Val(QStringView text)
{
    // Val skips blanks anywhere, reads a sign, digits, one point, more
    // digits and an exponent (E or D), and stops at anything else.
    QString digits;
    digits.reserve(text.size());
    qsizetype i = 0;
    auto next = [&]() -> QChar {
        while (i < text.size() && isBlankForVal(text[i]))
            ++i;
        return i < text.size() ? text[i] : QChar();
    };
    QChar c = next();
    if (c == u'-' || c == u'+') {
        digits += c;
        ++i;
        c = next();
    }
    bool point = false;
    bool any = false;
    while (!c.isNull() && ((c >= u'0' && c <= u'9') || (c == u'.' && !point))) {
        point = point || c == u'.';
        any = any || c != u'.';
        digits += c;
        ++i;
        c = next();
    }
    if (!any)
        return 0.0;
    if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
        QString exponent = QStringLiteral("e");
        ++i;
        c = next();
        if (c == u'-' || c == u'+') {
            exponent += c;
            ++i;
            c = next();
        }
        bool expDigits = false;
        while (!c.isNull() && c >= u'0' && c <= u'9') {
            exponent += c;
            expDigits = true;
            ++i;
            c = next();
        }
        if (expDigits)
            digits += exponent;
    }
    return digits.toDouble();
}

int32_t CLng(double value)
{
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
        throw RuntimeError(errors::Overflow, platform::runtimeErrorText(errors::Overflow));
    return static_cast<int32_t>(rounded);
}

QString N2S(double Valeur, int16_t Longueur, int16_t Decimales, const QString& Car)
{
    QString s;
    Trap trap(u"Lib_Public:N2S");
    trap.setDetail([Valeur] { return QStringLiteral(" |Value: ") + QString::number(Valeur, 'g', 15); });
    trap([&] {
        const bool negative = Valeur < 0;
        const double magnitude = negative ? -Valeur : Valeur;
        const QChar fill = Car.isEmpty() ? QChar(u' ') : Car[0];
        const int32_t m = CLng(std::pow(10.0, Decimales));
        double x = (magnitude + 0.005) * m;
        if (x > 2147483647.0)
            x = 2147483647.0;
        const int32_t n = CLng(x);
        s = (repeated(Longueur, fill) + QString::number(n)).right(Longueur);
        if (Decimales != 0) {
            const int middle = Longueur - Decimales - 1;
            if (middle < 0 || Decimales < 0)
                invalidCall("decimals not below the width");
            s = s.mid(1, middle) + u'.' + s.right(Decimales);
        }
        const qsizetype point = s.indexOf(u'.');
        if (point >= 0) {
            for (qsizetype i = point + 1; i < s.size(); ++i) {
                if (s[i] == u' ')
                    s[i] = u'0';
            }
            if (Val(s) < 1 && point > 0)
                s[point - 1] = u'0';
        }
        if (negative) {
            const qsizetype blank = s.lastIndexOf(u' ');
            if (blank >= 0)
                s[blank] = u'-';
            else if (!s.isEmpty() && Val(QStringView(s).left(1)) == 0)
                s[0] = u'-';
            else
                s = u'-' + s.trimmed();
        }
    });
    return s;
}

QString D2S(const QDate& Moment)
{
    auto eightDigits = [](const QDate& day) {
        if (!day.isValid())
            throw RuntimeError(errors::TypeMismatch, platform::runtimeErrorText(errors::TypeMismatch));
        const QString zero = QStringLiteral("0");
        return N2S(day.year(), 4, 0, zero) + N2S(day.month(), 2, 0, zero) + N2S(day.day(), 2, 0, zero);
    };
    QString result;
    Trap trap(u"Lib_Public:D2S");
    if (!trap([&] { result = eightDigits(Moment); }))
        result = eightDigits(platform::Clock::current().localNow().date());
    return result;
}

// ---------------------------------------------------------------------------
// Date2StringEx

namespace {

QString twoDigits(int value) { return QString::number(value).rightJustified(2, u'0'); }

// The week of the year with weeks starting on Sunday and week 1 holding 1 January.
int weekOfYear(const QDate& date)
{
    const int jan1Weekday = QDate(date.year(), 1, 1).dayOfWeek() % 7; // Sunday = 0
    return (date.dayOfYear() - 1 + jan1Weekday) / 7 + 1;
}

int runLength(const QString& pattern, qsizetype at)
{
    const QChar letter = pattern[at].toLower();
    int count = 0;
    while (at + count < pattern.size() && pattern[at + count].toLower() == letter)
        ++count;
    return count;
}

// The first separator of one of the locale's short patterns; `fallback` when
// the pattern has none that Windows would take as a separator (a blank, or a
// month written as a name).
QChar separatorOf(const QString& pattern, QChar fallback)
{
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && !c.isLetter())
            return c.isSpace() ? fallback : c;
    }
    return fallback;
}

// The system's date and time separators (Windows' sDate and sTime), which the
// ":" and "/" of a pattern stand for.
QChar dateSeparator()
{
    const QString shortDate = QLocale().dateFormat(QLocale::ShortFormat);
    return shortDate.contains(QStringLiteral("MMM")) ? QChar(u'/') : separatorOf(shortDate, u'/');
}

QChar timeSeparator() { return separatorOf(QLocale().timeFormat(QLocale::ShortFormat), u':'); }

// The system's named forms.
std::optional<QString> namedForm(const QDateTime& moment, const QString& name)
{
    const QLocale locale = QLocale::system();
    const QString key = name.trimmed().toLower();
    if (key == u"long date")
        return locale.toString(moment.date(), QLocale::LongFormat);
    if (key == u"short date")
        return locale.toString(moment.date(), QLocale::ShortFormat);
    if (key == u"long time")
        return locale.toString(moment.time(), QLocale::LongFormat);
    if (key == u"short time")
        return moment.time().toString(QStringLiteral("HH:mm"));
    if (key == u"general date")
        return locale.toString(moment, QLocale::ShortFormat);
    return std::nullopt;
}

QString formatByPattern(const QDateTime& moment, const QString& pattern)
{
    const QLocale locale = QLocale::system();
    const QDate date = moment.date();
    const QTime time = moment.time();
    const bool twelveHours = pattern.contains(QStringLiteral("am/pm"), Qt::CaseInsensitive)
        || pattern.contains(QStringLiteral("a/p"), Qt::CaseInsensitive)
        || pattern.contains(QStringLiteral("ampm"), Qt::CaseInsensitive);
    QString out;
    QChar timeSep; // looked up once per call, at the first separator
    QChar dateSep;
    bool afterHour = false;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        const QChar lower = c.toLower();
        const int run = runLength(pattern, i);
        bool token = true;
        bool hourToken = false;
        if (c == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < pattern.size())
                out += pattern[i + 1];
            i += 2;
            continue;
        }
        if (pattern.mid(i, 5).compare(QStringLiteral("am/pm"), Qt::CaseInsensitive) == 0) {
            const QString text = time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            out += pattern[i].isUpper() ? text : text.toLower();
            i += 5;
            afterHour = false;
            continue;
        }
        if (pattern.mid(i, 3).compare(QStringLiteral("a/p"), Qt::CaseInsensitive) == 0) {
            const QString text = time.hour() < 12 ? QStringLiteral("A") : QStringLiteral("P");
            out += pattern[i].isUpper() ? text : text.toLower();
            i += 3;
            afterHour = false;
            continue;
        }
        if (pattern.mid(i, 4).compare(QStringLiteral("ampm"), Qt::CaseInsensitive) == 0) {
            out += time.hour() < 12 ? locale.amText() : locale.pmText();
            i += 4;
            afterHour = false;
            continue;
        }
        int used = run;
        if (lower == u'd') {
            if (run == 1) out += QString::number(date.day());
            else if (run == 2) out += twoDigits(date.day());
            else if (run == 3) out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else if (run == 4) out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            else if (run == 5) out += locale.toString(date, QLocale::ShortFormat);
            else { out += locale.toString(date, QLocale::LongFormat); used = 6; }
        } else if (lower == u'w') {
            used = std::min(run, 2);
            out += used == 1 ? QString::number(date.dayOfWeek() % 7 + 1) : QString::number(weekOfYear(date));
        } else if (lower == u'm') {
            if (run <= 2 && afterHour) out += run == 1 ? QString::number(time.minute()) : twoDigits(time.minute());
            else if (run == 1) out += QString::number(date.month());
            else if (run == 2) out += twoDigits(date.month());
            else if (run == 3) out += locale.monthName(date.month(), QLocale::ShortFormat);
            else { out += locale.monthName(date.month(), QLocale::LongFormat); used = 4; }
        } else if (lower == u'n') {
            used = std::min(run, 2);
            out += used == 1 ? QString::number(time.minute()) : twoDigits(time.minute());
        } else if (lower == u'q') {
            used = 1;
            out += QString::number((date.month() - 1) / 3 + 1);
        } else if (lower == u'y') {
            if (run == 1) out += QString::number(date.dayOfYear());
            else if (run == 2) out += twoDigits(date.year() % 100);
            else { out += QString::number(date.year()).rightJustified(4, u'0'); used = std::min(run, 4); }
        } else if (lower == u'h') {
            used = std::min(run, 2);
            int hour = time.hour();
            if (twelveHours) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out += used == 1 ? QString::number(hour) : twoDigits(hour);
            hourToken = true;
        } else if (lower == u's') {
            used = std::min(run, 2);
            out += used == 1 ? QString::number(time.second()) : twoDigits(time.second());
        } else if (lower == u't' && run == 5) {
            out += locale.toString(time, QLocale::LongFormat);
        } else {
            // ":" and "/" are the system's separators; other characters stand as they are.
            if (c == u':') {
                if (timeSep.isNull())
                    timeSep = timeSeparator();
                out += timeSep;
            } else if (c == u'/') {
                if (dateSep.isNull())
                    dateSep = dateSeparator();
                out += dateSep;
            } else {
                out += c;
            }
            used = 1;
            token = false;
        }
        if (token)
            afterHour = hourToken;
        i += used;
    }
    return out;
}

} // namespace

QString Date2StringEx(const QDateTime& Moment, const QString& Format)
{
    QString result;
    Trap trap(u"Lib_Public:Date2StringEx");
    trap([&] {
        if (!Moment.isValid())
            throw RuntimeError(errors::TypeMismatch, platform::runtimeErrorText(errors::TypeMismatch));
        const QString pattern = Format.trimmed().isEmpty() ? QStringLiteral("HH:MM:SS") : Format;
        if (const std::optional<QString> named = namedForm(Moment, pattern))
            result = *named;
        else
            result = formatByPattern(Moment, pattern);
    });
    return result;
}

// ---------------------------------------------------------------------------

QString Calibre(const QString& Texte, QString& Car, int32_t Longueur)
{
    QString result;
    Trap trap(u"Lib_Public:Calibre");
    trap([&] {
        if (Car.isEmpty())
            Car = QStringLiteral(" ");
        if (Longueur < 0)
            invalidCall("negative length");
        result = (Texte + repeated(Longueur, Car[0])).left(Longueur);
    });
    return result;
}

QString ClearChaine(QString& Texte)
{
    static const QString kKept = QStringLiteral(u"éèàçûôâëù");
    const auto aBlanchir = [](QChar c) {
        const unsigned char code = platform::ansi::toByte(c.unicode());
        return (code < 32 || code >= 251) && !kKept.contains(c);
    };
    // Most texts (every record key the call layer logs) have nothing to
    // clean: they are read, not copied.
    if (std::none_of(Texte.cbegin(), Texte.cend(), aBlanchir))
        return Texte;
    QString result;
    Trap trap(u"Lib_Public:ClearChaine");
    trap([&] {
        for (QChar& c : Texte)
            if (aBlanchir(c))
                c = u' ';
        result = Texte;
    });
    return result;
}

void CheckValiditeValeurMin(int32_t& Valeur, const int32_t& Minimum)
{
    if (Valeur < Minimum)
        Valeur = Minimum;
}

} // namespace qn3::services
