#include "services/versions.h"
#include "services/window_members.h"
#include "support/pe_builder.h"
#include "support/scoped_time_zone.h"
#include "support/services_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class VersionsTest : public testing::ServicesTest {
protected:
    // Writes `bytes` as C:\Progs\<name> and gives its Windows path.
    QString writeProgram(const QString& name, const QByteArray& bytes)
    {
        const QString windowsPath = QStringLiteral("C:\\Progs\\") + name;
        QDir().mkpath(host(QStringLiteral("C:\\Progs\\")));
        QFile file(host(windowsPath));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return windowsPath;
    }

    static QByteArray converterImage(uint32_t fileMS, uint32_t fileLS, uint32_t productMS, uint32_t productLS)
    {
        testing::pe::VersionSpec spec;
        spec.fileVersionMS = fileMS;
        spec.fileVersionLS = fileLS;
        spec.productVersionMS = productMS;
        spec.productVersionLS = productLS;
        spec.translations = {{0x040C, 0x04E4}, {0x0409, 0x04B0}};
        spec.tables = {{QStringLiteral("040904B0"), {{QStringLiteral("CompanyName"), QStringLiteral("Wrong table")}}},
                       {QStringLiteral("040C04E4"),
                        {{QStringLiteral("CompanyName"), QStringLiteral("Sonvarek SARL")},
                         {QStringLiteral("ProductName"), QStringLiteral("Convertisseur")}}}};
        return testing::pe::image(testing::pe::versionBlock(spec));
    }
};

struct BuildCase {
    uint16_t major, minor, revision;
    const char* description;
    QDateTime date;
    const char* text;
};

TEST_F(VersionsTest, BuildNumbersNameTheBuildDate)
{
    const BuildCase cases[] = {
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
    for (const BuildCase& c : cases) {
        const platform::version::BuildNumbers numbers{c.major, c.minor, c.revision, QString::fromUtf8(c.description)};
        EXPECT_EQ(DateApplication(numbers), c.date) << c.major << ' ' << c.minor << ' ' << c.revision;
        EXPECT_EQ(VersionApplication(numbers), QString::fromUtf8(c.text)) << c.major << ' ' << c.minor;
    }
}

TEST_F(VersionsTest, ABuildOnADayWithoutMidnightKeepsItsTime)
{
    const testing::ScopedTimeZone zone(testing::ScopedTimeZone::kMidnightChange);
    const platform::version::BuildNumbers numbers{2023, 903, 1011, QString()};
    const QDateTime date = DateApplication(numbers);
    ASSERT_TRUE(date.isValid());
    EXPECT_EQ(date.date(), QDate(2023, 9, 3));
    EXPECT_EQ(date.time(), QTime(10, 11));
    EXPECT_EQ(VersionApplication(numbers), QStringLiteral("2023.0903.1011"));
}

TEST_F(VersionsTest, TheRunningProgramCarriesItsConfiguredBuild)
{
    const auto numbers = platform::version::programBuildNumbers();
    ASSERT_GE(numbers.major, 2000);
    EXPECT_EQ(VersionApplication(), VersionApplication(numbers));
    EXPECT_TRUE(VersionApplication().startsWith(QString::number(numbers.major) + u'.'));
}

TEST_F(VersionsTest, WordAndHexHelpers)
{
    EXPECT_EQ(HIWORD(0x0003000Au), 3);
    EXPECT_EQ(LOWORD(0x0003000Au), 10);
    EXPECT_EQ(HIWORD(0xFFFF0000u), 65535); // no sign: version numbers are unsigned
    EXPECT_EQ(LOWORD(0x8000FFFFu), 65535);
    EXPECT_EQ(VersionFichier_FixedHex(0x4E4, 4), QStringLiteral("04E4"));
    EXPECT_EQ(VersionFichier_FixedHex(0xC, 2), QStringLiteral("0C"));
    EXPECT_EQ(VersionFichier_FixedHex(0xABCDEF12u, 8), QStringLiteral("ABCDEF12"));
    EXPECT_EQ(VersionFichier_FixedHex(0x12, 0), QString());
    uint8_t a = 0x0C, b = 0x04;
    VersionFichier_SwapByte(a, b);
    EXPECT_EQ(a, 0x04);
    EXPECT_EQ(b, 0x0C);
    VersionFichier_SwapByte(a, a);
    EXPECT_EQ(a, 0x04);
}

struct FileVersionCase {
    uint32_t ms, ls;
    const char* text;
};

TEST_F(VersionsTest, FileVersionTextTable)
{
    const FileVersionCase cases[] = {
        {0x00020005, 0x00010003, "02.05 b 003"},
        {0x0003000A, 0x0000001B, "03.10 a 027"},
        {0x0003000A, 0x00BD0001, "03.10 \xc3\xbe 001"}, // build 189: ANSI 254, lower case
        {0x0003000A, 0x00BE0007, "03.10 v 007"},        // build 190: K = 255, (255 mod 26) + 65 is "V"
        {0x0003000A, 0x00BE0000, "03.10 a 255"},
        {0x0003000A, 0x03B60000, "03.10 a 1015"},
        {0x00640001, 0x00000000, "00.01 a 000"}, // 100 keeps its last two digits, as N2S cuts
    };
    for (const FileVersionCase& c : cases) {
        VersionFichier(writeProgram(QStringLiteral("v.exe"), converterImage(c.ms, c.ls, 0, 0)));
        EXPECT_EQ(InfoVersionFichier.FileVersion, QString::fromUtf8(c.text)) << c.text;
    }
}

TEST_F(VersionsTest, VersionFichierReadsTheFirstTranslationsNamesAndTheProductVersion)
{
    VersionFichier(writeProgram(QStringLiteral("conv.exe"), converterImage(0x0003000A, 0x0000001B, 0x0003000A, 0x0002001B)));
    EXPECT_EQ(InfoVersionFichier.ProductVersion, QStringLiteral("03.10.027"));
    EXPECT_EQ(InfoVersionFichier.FileVersion, QStringLiteral("03.10 a 027"));
    EXPECT_EQ(InfoVersionFichier.CompanyName, QStringLiteral("Sonvarek SARL"));
    EXPECT_EQ(InfoVersionFichier.ProductName, QStringLiteral("Convertisseur"));

    // A file without a resource afterwards empties all four.
    VersionFichier(writeProgram(QStringLiteral("notes.txt"), QByteArray("plain text")));
    EXPECT_EQ(InfoVersionFichier.ProductVersion, QString());
    EXPECT_EQ(InfoVersionFichier.FileVersion, QString());
    EXPECT_EQ(InfoVersionFichier.CompanyName, QString());
    EXPECT_EQ(InfoVersionFichier.ProductName, QString());
}

TEST_F(VersionsTest, FilesWithoutAUsableResourceLeaveTheFieldsEmptyAndReportNothing)
{
    QFile self(QCoreApplication::applicationFilePath());
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray good = converterImage(0x00020005, 0x00010003, 0x00020005, 0x00010003);

    std::vector<QByteArray> images = {self.readAll(), QByteArray(), QByteArray("MZ"), testing::pe::image(QByteArray())};
    for (int cut = 0; cut < good.size(); cut += 37)
        images.push_back(good.left(cut));
    // Hostile offsets: the PE header pointer and the resource entry sizes.
    QByteArray farHeader = good;
    farHeader[0x3C] = char(0xFF);
    farHeader[0x3F] = char(0x7F);
    images.push_back(farHeader);
    QByteArray bigSection = good;
    for (int i = 0; i < 4; ++i)
        bigSection[testing::pe::PeHeaderOffset + 24 + 224 + 16 + i] = char(0xFF); // first section's raw size
    images.push_back(bigSection);

    for (const QByteArray& image : images) {
        VersionFichier(writeProgram(QStringLiteral("x.exe"), good));
        VersionFichier(writeProgram(QStringLiteral("x.exe"), image));
        if (image.size() < good.size() / 2 || image.size() == 2) {
            EXPECT_EQ(InfoVersionFichier.FileVersion, QString()) << image.size();
            EXPECT_EQ(InfoVersionFichier.CompanyName, QString()) << image.size();
        }
    }
    VersionFichier(QStringLiteral("C:\\Progs\\missing.exe"));
    EXPECT_EQ(InfoVersionFichier.ProductName, QString());
    VersionFichier(QStringLiteral("C:\\Progs\\bad|name.exe"));
    EXPECT_TRUE(Frm_Main().ListeLogTemp.lines().isEmpty()) << Frm_Main().ListeLogTemp.lines().join(u'\n').toStdString();
}

} // namespace
} // namespace qn3::services
