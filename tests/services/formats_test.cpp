#include "services/clocks.h"
#include "services/error_routine.h"
#include "services/formats.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QLocale>

namespace qn3::services {
namespace {

using FormatsTest = testing::ServicesTest;

TEST_F(FormatsTest, N2SWritesFixedWidthNumbersByItsRules)
{
    const struct {
        double value;
        int16_t width, decimals;
        const char *fill, *expected;
    } cases[] = {
        {7, 2, 0, "0", "07"}, {2024, 4, 0, "0", "2024"}, {1.5, 6, 2, "0", "001.50"}, {42, 3, 0, "x", "x42"},
        {12345, 3, 0, "0", "345"}, // leading digits lost
        {-5, 3, 0, "0", "-05"},    // the leading "0" gives way to the sign
        {-50, 2, 0, "0", "-50"},   // no room: one character wider
        {-5, 3, 0, " ", " -5"},    // the rightmost blank takes the sign
        {7, 3, 0, "", "  7"},      // empty fill: blanks
        {-5, 3, 0, "x", "-x5"},    // a non-digit first character takes the sign
        // Halves go to the even after adding five thousandths: 150.5 -> 150,
        // 0.05 -> 5.5 -> 6, 0.255 -> 26, 4.495 -> 4.5 -> 4; whole x.5 is then above the half.
        {0.05, 5, 2, " ", " 0.06"}, {0.255, 4, 2, "0", "0.26"}, {2.5, 1, 0, "0", "3"}, {4.495, 1, 0, "0", "4"},
        {5.495, 1, 0, "0", "6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(N2S(c.value, c.width, c.decimals, c.fill), c.expected)
            << c.value << " in " << c.width << '.' << c.decimals;
    EXPECT_TRUE(Frm_Main().ListeIncidents0.lines().isEmpty());
}

TEST_F(FormatsTest, InvalidArgumentsAreReportedAndGiveWhatWasBuilt)
{
    EXPECT_EQ(N2S(5, -1, 0, "0"), QString());
    EXPECT_EQ(InfoErreur.Numero, 5);
    ASSERT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(Frm_Main().ListeIncidents0.List(0).contains("Source:Lib_Public:N2S |Value: 5:0"));
    EXPECT_EQ(N2S(5, 2, 2, "0"), "00"); // decimals not below the width: the digits built before the point
    EXPECT_EQ(D2S(QDate(1999, 3, 5)), "19990305");
    EXPECT_EQ(D2S(QDate()), "20240305"); // today, as the clock says
    EXPECT_EQ(InfoErreur.Numero, 13);
}

TEST_F(FormatsTest, Date2StringExReadsPatternsWithoutCaseAndWritesTheSystemSeparatorsForColonAndSlash)
{
    const QDateTime moment(QDate(2024, 3, 5), QTime(13, 7, 9));
    const std::pair<const char*, const char*> cases[] = {
        {"HH:MM:SS", "13:07:09"}, {"  ", "13:07:09"}, {"dd/MM/yyyy", "05/03/2024"}, {"h:mm AM/PM", "1:07 PM"},
        {"dd/MM/yyyy HH:MM:SS", "05/03/2024 13:07:09"}, {"DD/mm/YY hh:nn", "05/03/24 13:07"}, // minutes after hours
        {"\"Day\" y, ww, w, q", "Day 65, 10, 3, 1"},
    };
    for (const auto& [pattern, text] : cases)
        EXPECT_EQ(Date2StringEx(moment, pattern), text) << pattern;
    EXPECT_FALSE(Date2StringEx(moment, "Long Date").isEmpty());
    EXPECT_NE(Date2StringEx(moment, "long date"), "long date");

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland)); // date "d.M.yyyy", time "H.mm"
    QStringList written = {Date2StringEx(moment, "HH:MM:SS"), Date2StringEx(moment, "dd/MM/yyyy")};
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    written.append(Date2StringEx(moment, "dd/MM/yyyy HH:MM:SS"));
    QLocale::setDefault(saved);
    EXPECT_EQ(written, QStringList({"13.07.09", "05.03.2024", "05/03/2024 13:07:09"}));
}

TEST_F(FormatsTest, ArgumentsAreMendedInPlaceCalibreFillsOrCutsClearChaineBlanksAndTheMinimumOnlyRaises)
{
    QString point = ".";
    EXPECT_EQ(Calibre("ABC", point, 5), "ABC..");
    EXPECT_EQ(Calibre("ABCDEF", point, 3), "ABC");
    QString empty;
    EXPECT_EQ(Calibre("AB", empty, 4), "AB  ");
    EXPECT_EQ(empty, " ");
    EXPECT_EQ(Calibre("AB", point, -1), QString());
    EXPECT_EQ(InfoErreur.Numero, 5);

    // The tab and ü (252) go; é and û (251) are kept letters; ? and the euro
    // (128) are ordinary; a character outside the code page counts as "?".
    QString text = "a\tü é û ? \u20AC\u4E2D\u0001";
    const QString copy = ClearChaine(text);
    EXPECT_EQ(text, "a   é û ? \u20AC\u4E2D ");
    EXPECT_EQ(copy, text);

    int32_t low = -3, high = 7;
    CheckValiditeValeurMin(low, 0);
    CheckValiditeValeurMin(high, 0);
    EXPECT_EQ(std::pair(low, high), std::pair(0, 7));
}

TEST_F(FormatsTest, TimingMilliSecAndTheTickCountAcrossTheWrap)
{
    clock.now = QDateTime(QDate(2024, 3, 5), QTime(13, 5, 9, 42));
    EXPECT_EQ(TimingMilliSec(), "13:05:09:042");
    clock.tick = 4294967290u;
    const int64_t before = GetTickCount64();
    clock.tick = 4;
    EXPECT_EQ(GetTickCount64() - before, 10);
    clock.tick = 2;
    EXPECT_EQ(GetTickCount64(), 2 * (int64_t{1} << 32) + 2); // each step back counts as a wrap
}

} // namespace
} // namespace qn3::services
