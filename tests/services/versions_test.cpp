#include "services/versions.h"
#include "services/window_members.h"
#include "support/pe_builder.h"
#include "support/scoped_time_zone.h"
#include "support/services_fixture.h"

namespace qn3::services {
namespace {

struct VersionsTest : testing::ServicesTest {
    // Writes `bytes` as C:\Progs\<name> and gives its Windows path.
    QString writeProgram(const QString& name, const QByteArray& bytes)
    {
        writeFile("C:\\Progs\\" + name, bytes);
        return "C:\\Progs\\" + name;
    }
    // The four fields read last.
    static QStringList fields()
    {
        const auto& info = InfoVersionFichier;
        return {info.ProductVersion, info.FileVersion, info.CompanyName, info.ProductName};
    }

    static QByteArray converterImage(uint32_t fileMS, uint32_t fileLS, uint32_t productMS, uint32_t productLS)
    {
        testing::pe::VersionSpec spec;
        std::tie(spec.fileVersionMS, spec.fileVersionLS) = std::pair(fileMS, fileLS);
        std::tie(spec.productVersionMS, spec.productVersionLS) = std::pair(productMS, productLS);
        spec.translations = {{0x040C, 0x04E4}, {0x0409, 0x04B0}};
        spec.tables = {{"040904B0", {{"CompanyName", "Wrong table"}}},
                       {"040C04E4", {{"CompanyName", "Sonvarek SARL"}, {"ProductName", "Convertisseur"}}}};
        return testing::pe::image(testing::pe::versionBlock(spec));
    }
};

TEST_F(VersionsTest, BuildNumbersNameTheBuildDate)
{
    const struct {
        uint16_t major, minor, revision;
        const char* description;
        QDateTime date;
        const char* text;
    } cases[] = {
        {2019, 814, 1011, "", QDateTime(QDate(2019, 8, 14), QTime(10, 11)), "2019.0814.1011"},
        {2024, 101, 5, "", QDateTime(QDate(2024, 1, 1), QTime(0, 5)), "2024.0101.0005"},
        // Out-of-range months, days, hours and minutes roll over.
        {2019, 1301, 0, "", QDateTime(QDate(2020, 1, 1), QTime(0, 0)), "2020.0101.0000"},
        {2019, 300, 2460, "", QDateTime(QDate(2019, 3, 1), QTime(1, 0)), "2019.0301.0100"},
        {2023, 230, 0, "", QDateTime(QDate(2023, 3, 2), QTime(0, 0)), "2023.0302.0000"},
        // Below 2000: the description when it is a date, else 1 January 2000.
        {1999, 814, 1011, "not a date", QDateTime(QDate(2000, 1, 1), QTime(0, 0)), "2000.0101.0000"},
        {1, 0, 0, "14/08/2019 10:11:00", QDateTime(QDate(2019, 8, 14), QTime(10, 11)), "2019.0814.1011"},
    };
    for (const auto& c : cases) {
        const platform::version::BuildNumbers numbers{c.major, c.minor, c.revision, c.description};
        EXPECT_EQ(DateApplication(numbers), c.date) << c.major << ' ' << c.minor << ' ' << c.revision;
        EXPECT_EQ(VersionApplication(numbers), c.text) << c.major << ' ' << c.minor;
    }
    // The running program carries its configured build.
    EXPECT_EQ(VersionApplication(), VersionApplication(platform::version::programBuildNumbers()));
    // A build on a day without midnight keeps its time.
    const testing::ScopedTimeZone zone(testing::ScopedTimeZone::kMidnightChange);
    const platform::version::BuildNumbers numbers{2023, 903, 1011, QString()};
    EXPECT_EQ(DateApplication(numbers).toString("yyyy-MM-dd HH:mm"), "2023-09-03 10:11");
    EXPECT_EQ(VersionApplication(numbers), "2023.0903.1011");
}

TEST_F(VersionsTest, FileVersionTextTable)
{
    const struct {
        uint32_t ms, ls;
        const char* text;
    } cases[] = {
        {0x00020005, 0x00010003, "02.05 b 003"}, {0x0003000A, 0x0000001B, "03.10 a 027"},
        {0x0003000A, 0x00BD0001, "03.10 \xc3\xbe 001"}, // build 189: ANSI 254, lower case
        {0x0003000A, 0x00BE0007, "03.10 v 007"},        // build 190: K = 255, (255 mod 26) + 65 is "V"
        {0x0003000A, 0x00BE0000, "03.10 a 255"}, {0x0003000A, 0x03B60000, "03.10 a 1015"},
        {0x00640001, 0x00000000, "00.01 a 000"}, // 100 keeps its last two digits, as N2S cuts
    };
    for (const auto& c : cases) {
        VersionFichier(writeProgram("v.exe", converterImage(c.ms, c.ls, 0, 0)));
        EXPECT_EQ(InfoVersionFichier.FileVersion, c.text) << c.text;
    }
    // Version words are unsigned; a width of 0 gives no digits.
    EXPECT_EQ(HIWORD(0xFFFF0000u) + LOWORD(0x8000FFFFu), 2 * 65535);
    EXPECT_EQ(VersionFichier_FixedHex(0xABCDEF12u, 8) + VersionFichier_FixedHex(0x12, 0), "ABCDEF12");
}

// Every damaged image, truncation and hostile header is the version reader's own test; here a file
// without a resource, a damaged, a missing and a refused file, each after a good one, empty all four fields.
TEST_F(VersionsTest, VersionFichierReadsTheFirstTranslationsNamesAndTheProductVersionOrEmptiesAllFour)
{
    const QByteArray good = converterImage(0x0003000A, 0x0000001B, 0x0003000A, 0x0002001B);
    const QString cut = writeProgram("cut.exe", good.left(good.size() / 2));
    for (const QString& path : {writeProgram("notes.txt", "plain text"), cut, QString("C:\\Progs\\missing.exe"),
                                QString("C:\\Progs\\bad|name.exe")}) {
        VersionFichier(writeProgram("conv.exe", good));
        EXPECT_EQ(fields(), QStringList({"03.10.027", "03.10 a 027", "Sonvarek SARL", "Convertisseur"}));
        VersionFichier(path);
        EXPECT_EQ(fields(), QStringList(4, QString())) << path.toStdString();
    }
    EXPECT_TRUE(Frm_Main().ListeLogTemp.lines().isEmpty()) << Frm_Main().ListeLogTemp.lines().join(u'\n').toStdString();
}

} // namespace
} // namespace qn3::services
