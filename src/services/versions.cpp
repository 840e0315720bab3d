#include "services/versions.h"

#include "platform/ansi.h"
#include "services/formats.h"
#include "services/trap.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <array>

namespace qn3::services {
namespace {

namespace version = platform::version;

constexpr int kFirstBuildYear = 2000;

QString digits(int32_t value, int16_t width) { return N2S(value, width, 0, QStringLiteral("0")); }

// DateSerial + TimeSerial: a month, day, hour or minute out of its range
// moves the date on (month 13 is January of the next year, day 0 the last
// day of the month before).
QDateTime rolledDateTime(int year, int month, int day, int hour, int minute)
{
    const int monthsFromYear = month - 1;
    const QDate firstOfMonth = QDate(year, 1, 1).addMonths(monthsFromYear);
    const QDate date = firstOfMonth.addDays(day - 1);
    // Rolled on a clock without daylight saving, so that a day whose midnight
    // does not exist locally still gives its wall-clock time.
    const QDateTime rolled = QDateTime(date, QTime(0, 0), Qt::UTC).addSecs(qint64(hour) * 3600 + qint64(minute) * 60);
    return QDateTime(rolled.date(), rolled.time());
}

// A file description "reads as a date" in the forms the program's own dates
// take and in the system's short form.
QDateTime descriptionAsDate(const QString& description)
{
    const QString text = description.trimmed();
    if (text.isEmpty())
        return {};
    const QString dateForms[] = {QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("dd/MM/yyyy HH:mm"),
                                 QStringLiteral("dd/MM/yyyy"), QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                 QStringLiteral("yyyy-MM-dd")};
    for (const QString& form : dateForms) {
        const QDateTime moment = QDateTime::fromString(text, form);
        if (moment.isValid())
            return moment;
    }
    const QDate shortDate = QLocale::system().toDate(text, QLocale::ShortFormat);
    return shortDate.isValid() ? shortDate.startOfDay() : QDateTime();
}

// The letter of the build: 'a' for build 0, 'b' for 1 ... as lower-case ANSI.
QString buildLetter(int32_t code)
{
    const char byte = static_cast<char>(static_cast<unsigned char>(code));
    return platform::ansi::decode(QByteArrayView(&byte, 1)).toLower();
}

QString fileVersionText(uint32_t high, uint32_t low)
{
    QString text = digits(HIWORD(high), 2) + u'.' + digits(LOWORD(high), 2);
    const int32_t k = HIWORD(low) + 65;
    const int32_t b = LOWORD(low);
    if (k < 255)
        text += u' ' + buildLetter(k) + u' ' + digits(b, 3);
    else if (b != 0)
        text += u' ' + buildLetter(k % 26 + 65) + u' ' + digits(b, 3);
    else
        text += QStringLiteral(" a ") + (k <= 999 ? digits(k, 3) : QString::number(k));
    return text;
}

QString productVersionText(uint32_t high, uint32_t low)
{
    return digits(HIWORD(high), 2) + u'.' + digits(LOWORD(high), 2) + u'.' + digits(LOWORD(low), 3);
}

// The "\StringFileInfo\" key of a translation: language then code page, each
// most significant byte first, from the little-endian bytes of the entry.
QString stringTableKey(version::Translation translation)
{
    std::array<uint8_t, 4> bytes = {uint8_t(translation.language & 0xFF), uint8_t(translation.language >> 8),
                                    uint8_t(translation.codePage & 0xFF), uint8_t(translation.codePage >> 8)};
    VersionFichier_SwapByte(bytes[0], bytes[1]);
    VersionFichier_SwapByte(bytes[2], bytes[3]);
    QString key;
    for (uint8_t byte : bytes)
        key += VersionFichier_FixedHex(byte, 2);
    return key;
}

} // namespace

void VersionFichier_SwapByte(uint8_t& Byte1, uint8_t& Byte2)
{
    if (&Byte1 == &Byte2)
        return; // the exclusive-or exchange would zero a byte swapped with itself
    Byte1 ^= Byte2;
    Byte2 ^= Byte1;
    Byte1 ^= Byte2;
}

QString VersionFichier_FixedHex(uint32_t Valeur, int32_t NbChiffres)
{
    const QString hex = QStringLiteral("%1").arg(Valeur, 8, 16, QLatin1Char('0')).toUpper();
    return hex.right(qMax(0, NbChiffres));
}

int32_t HIWORD(uint32_t Valeur) { return VersionFichier_FixedHex(Valeur, 8).left(4).toInt(nullptr, 16); }

int32_t LOWORD(uint32_t Valeur) { return VersionFichier_FixedHex(Valeur, 4).toInt(nullptr, 16); }

QDateTime DateApplication(const version::BuildNumbers& numbers)
{
    QDateTime result = QDateTime(QDate(kFirstBuildYear, 1, 1), QTime(0, 0));
    Trap trap(u"Lib_Systeme:DateApplication");
    trap([&] {
        if (numbers.major >= kFirstBuildYear) {
            const QString monthDay = digits(numbers.minor, 4);
            const QString hourMinute = digits(numbers.revision, 4);
            result = rolledDateTime(numbers.major, monthDay.left(2).toInt(), monthDay.mid(2, 2).toInt(),
                                    hourMinute.left(2).toInt(), hourMinute.mid(2, 2).toInt());
        } else if (const QDateTime described = descriptionAsDate(numbers.fileDescription); described.isValid()) {
            result = described;
        }
    });
    return result;
}

QDateTime DateApplication() { return DateApplication(version::programBuildNumbers()); }

QString VersionApplication(const version::BuildNumbers& numbers)
{
    QString text;
    Trap trap(u"Lib_Systeme:VersionApplication");
    trap([&] {
        const QDateTime built = DateApplication(numbers);
        const QDate d = built.date();
        const QTime t = built.time();
        text = digits(d.year(), 4) + u'.' + digits(d.month(), 2) + digits(d.day(), 2) + u'.' + digits(t.hour(), 2) +
               digits(t.minute(), 2);
    });
    return text;
}

QString VersionApplication() { return VersionApplication(version::programBuildNumbers()); }

void VersionFichier(const QString& Fichier)
{
    Trap trap(u"Lib_Systeme:VersionFichier");
    InfoVersionFichier = {};
    version::VersionResource resource;
    trap([&] { resource = version::readFileVersionResource(Fichier); });
    if (!resource.present)
        return;
    // A resource without its fixed part or its translation table leaves the
    // fields those parts would give empty.
    if (const auto& fixed = resource.fixed) {
        trap([&] { InfoVersionFichier.FileVersion = fileVersionText(fixed->fileVersionMS, fixed->fileVersionLS); });
        trap([&] {
            InfoVersionFichier.ProductVersion = productVersionText(fixed->productVersionMS, fixed->productVersionLS);
        });
    }
    if (resource.translations.empty())
        return;
    const QString key = stringTableKey(resource.translations.front());
    trap([&] { InfoVersionFichier.CompanyName = resource.stringValue(key, u"CompanyName"); });
    trap([&] { InfoVersionFichier.ProductName = resource.stringValue(key, u"ProductName"); });
}

} // namespace qn3::services
