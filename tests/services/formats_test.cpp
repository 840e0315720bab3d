#include "services/clocks.h"
#include "services/error_routine.h"
#include "services/formats.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

using FormatsTest = testing::ServicesTest;

struct N2SCase {
    double value;
    int16_t width;
    int16_t decimals;
    const char* fill;
    const char* expected;
};

TEST_F(FormatsTest, N2SWritesFixedWidthNumbersByItsRules)
{
    const N2SCase cases[] = {
        {7, 2, 0, "0", "07"},
        {2024, 4, 0, "0", "2024"},
        {12345, 3, 0, "0", "345"},           // leading digits lost
        {-5, 3, 0, "0", "-05"},              // the leading "0" gives way to the sign
        {-50, 2, 0, "0", "-50"},             // no room: one character wider
        {-5, 3, 0, " ", " -5"},              // the rightmost blank takes the sign
        {1.5, 6, 2, "0", "001.50"},          // 150.5 goes to the even 150
        {0.05, 5, 2, " ", " 0.06"},          // + 0.005, then 5.5 goes to the even 6
        {7, 3, 0, "", "  7"},                // empty fill: blanks
        {42, 3, 0, "x", "x42"},
        {-5, 3, 0, "x", "-x5"},              // a non-digit first character takes the sign
    };
    for (const N2SCase& c : cases) {
        EXPECT_EQ(N2S(c.value, c.width, c.decimals, QString::fromUtf8(c.fill)), QString::fromUtf8(c.expected))
            << c.value << " in " << c.width << "." << c.decimals;
    }
}

TEST_F(FormatsTest, N2SRoundsHalvesToEvenAfterAddingFiveThousandths)
{
    // Whole numbers: x.5 + 0.005 is above the half, so it rounds up.
    EXPECT_EQ(N2S(2.5, 1, 0, "0"), "3");
    // 0.255 + 0.005 = 0.26 -> 26; 4.495 + 0.005 = 4.5 -> the even 4.
    EXPECT_EQ(N2S(0.255, 4, 2, "0"), "0.26");
    EXPECT_EQ(N2S(4.495, 1, 0, "0"), "4");
    EXPECT_EQ(N2S(5.495, 1, 0, "0"), "6");
}

TEST_F(FormatsTest, N2SReportsInvalidWidthsAndReturnsWhatItBuilt)
{
    EXPECT_EQ(N2S(5, -1, 0, "0"), QString());
    EXPECT_EQ(InfoErreur.Numero, 5);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(Frm_Main().ListeIncidents0.List(0).contains("Source:Lib_Public:N2S |Value: 5:0"));

    // Decimals not below the width: the digits built before the point.
    EXPECT_EQ(N2S(5, 2, 2, "0"), "00");
}

TEST_F(FormatsTest, D2SWritesEightDigitsAndTodayForAnInvalidDate)
{
    EXPECT_EQ(D2S(QDate(1999, 3, 5)), "19990305");
    EXPECT_EQ(D2S(QDate()), "20240305"); // today, as the clock says
    EXPECT_EQ(InfoErreur.Numero, 13);
}

TEST_F(FormatsTest, Date2StringExReadsPatternsWithoutCaseAndMinutesAfterHours)
{
    const QDateTime moment(QDate(2024, 3, 5), QTime(13, 7, 9));
    EXPECT_EQ(Date2StringEx(moment, "HH:MM:SS"), "13:07:09");
    EXPECT_EQ(Date2StringEx(moment, "  "), "13:07:09");
    EXPECT_EQ(Date2StringEx(moment, "dd/MM/yyyy"), "05/03/2024");
    EXPECT_EQ(Date2StringEx(moment, "dd/MM/yyyy HH:MM:SS"), "05/03/2024 13:07:09");
    EXPECT_EQ(Date2StringEx(moment, "DD/mm/YY hh:nn"), "05/03/24 13:07");
    EXPECT_EQ(Date2StringEx(moment, "h:mm AM/PM"), "1:07 PM");
    EXPECT_EQ(Date2StringEx(moment, "\"Day\" y, ww, w, q"), "Day 65, 10, 3, 1");
    EXPECT_FALSE(Date2StringEx(moment, "Long Date").isEmpty());
    EXPECT_NE(Date2StringEx(moment, "long date"), "long date");
}

TEST_F(FormatsTest, CalibreFillsOrCutsAndRepairsAnEmptyFill)
{
    QString point = ".";
    EXPECT_EQ(Calibre("ABC", point, 5), "ABC..");
    EXPECT_EQ(Calibre("ABCDEF", point, 3), "ABC");
    QString empty;
    EXPECT_EQ(Calibre("AB", empty, 4), "AB  ");
    EXPECT_EQ(empty, " ");
    EXPECT_EQ(Calibre("AB", point, -1), QString());
    EXPECT_EQ(InfoErreur.Numero, 5);
}

TEST_F(FormatsTest, ClearChaineBlanksControlAndHighCharactersInPlace)
{
    // The tab and ü (252) go; é and û (251) are kept letters; ? and the euro
    // (128) are ordinary; a character outside the code page counts as "?".
    QString text = "a\tü é û ? \u20AC\u4E2D\u0001";
    const QString copy = ClearChaine(text);
    EXPECT_EQ(text, "a   é û ? \u20AC\u4E2D ");
    EXPECT_EQ(copy, text);
}

TEST_F(FormatsTest, CheckValiditeValeurMinRaisesOnly)
{
    int32_t value = -3;
    CheckValiditeValeurMin(value, 0);
    EXPECT_EQ(value, 0);
    value = 7;
    CheckValiditeValeurMin(value, 0);
    EXPECT_EQ(value, 7);
}

TEST_F(FormatsTest, TimingMilliSecWritesTwelveCharacters)
{
    clock.now = QDateTime(QDate(2024, 3, 5), QTime(13, 5, 9, 42));
    EXPECT_EQ(TimingMilliSec(), "13:05:09:042");
}

TEST_F(FormatsTest, GetTickCount64KeepsCountingAcrossTheWrap)
{
    clock.tick = 4294967290u;
    const int64_t before = GetTickCount64();
    clock.tick = 4;
    const int64_t after = GetTickCount64();
    EXPECT_EQ(after - before, 10);
    clock.tick = 2;
    EXPECT_EQ(GetTickCount64(), 2 * (int64_t{1} << 32) + 2); // each step back counts as a wrap
}

TEST_F(FormatsTest, Date2StringExWritesTheSystemSeparatorsForColonAndSlash)
{
    const QDateTime moment(QDate(2024, 3, 5), QTime(13, 7, 9));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland)); // date "d.M.yyyy", time "H.mm"
    QStringList written = {Date2StringEx(moment, "HH:MM:SS"), Date2StringEx(moment, "dd/MM/yyyy")};
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    written.append(Date2StringEx(moment, "dd/MM/yyyy HH:MM:SS"));
    QLocale::setDefault(saved);
    EXPECT_EQ(written, QStringList({"13.07.09", "05.03.2024", "05/03/2024 13:07:09"}));
}

} // namespace
} // namespace qn3::services
