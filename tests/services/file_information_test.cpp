#include "platform/file_attributes.h"
#include "services/file_information.h"
#include "support/pe_builder.h"
#include "support/scoped_time_zone.h"
#include "support/services_fixture.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

TEST(GetStrAtt, WritesTheLettersOfTheKnownBitsInTheirOrder)
{
    const struct { int32_t mask; const char16_t* letters; } table[] = {
        {128, u"N"}, {0, u"None"}, {1 | 2 | 32, u"AHR"}, {16 | 8192, u"D"}, {8192, u""},
        {32768 | 16384 | 4096 | 2048 | 1024 | 512 | 256 | 4, u"LEOCR-Ps1-FTs1"}, {128 | 32, u"Erreur d'attribut"},
        {64, u"Erreur d'attribut"}, {8 | 1, u"Erreur d'attribut"}, {65536, u"Erreur d'attribut"}, {-1, u"Erreur d'attribut"},
    };
    for (const auto& row : table)
        EXPECT_EQ(GetStrAtt(row.mask), QString::fromUtf16(row.letters)) << row.mask;
}

TEST(StrFileTime, WritesLocalShortDateAndLongTimeWithoutTheTimeAtMidnight)
{
    const testing::ScopedTimeZone zone("XST-1"); // one hour east of UTC
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const auto fileTime = [](int64_t unixSeconds) { return platform::fileinfo::FileTime((unixSeconds + 11644473600LL) * 10000000LL + 4321); };
    const int64_t march5 = 1709596800; // 2024-03-05 00:00:00 UTC
    const QStringList written = {StrFileTime(fileTime(march5 + 12 * 3600 + 5 * 60 + 9)), StrFileTime(fileTime(march5 - 3600))};
    QLocale::setDefault(saved);
    EXPECT_EQ(written, QStringList({"05/03/2024 13:05:09", "05/03/2024"}));
}

using FileInformationTest = testing::ServicesTest;

TEST_F(FileInformationTest, AProgramFileGivesItsVersionStringsAndAnotherFileNoneOfThem)
{
    testing::pe::VersionSpec spec;
    spec.translations = {{0x040C, 1252}};
    spec.tables = {{"040C04E4",
                    {{"CompanyName", "Illustrate"},
                     {"LegalCopyright", "© 2020"},
                     {"ProductVersion", "16.6"}}}};
    writeFile("C:\\Prog\\conv.exe", testing::pe::image(testing::pe::versionBlock(spec)));
    FileInfo info = GetFileInfo("C:\\Prog\\conv.exe");
    EXPECT_EQ(QStringList({info.CompanyName, info.MentionsLegales, info.ProductVersion, info.FileVersion}),
              QStringList({"Illustrate", "© 2020", "16.6", QString()}));

    writeFile("C:\\Sons\\MES001.mp3", QByteArray(1234, 'x'));
    platform::attributes::set(u"C:\\Sons\\MES001.mp3", 1 | 2 | 32);
    info = GetFileInfo("C:\\Sons\\MES001.mp3");
    EXPECT_TRUE(info.Existe && info.Taille == 1234 && !info.DateModification.isEmpty());
    EXPECT_EQ(info.Attributs, "AHR");
    EXPECT_EQ(info.CompanyName + SplitInfo("CompanyName"), QString()); // nothing left from the program
    info = GetFileInfo("D:\\Sons.old\\README"); // missing: only the name pieces
    EXPECT_EQ(QStringList({info.Chemin, info.NomFichier, info.Extension, info.Attributs, info.DateModification}),
              QStringList({"D:\\Sons.old\\README", "README", "old\\README", {}, {}}));
    EXPECT_TRUE(!info.Existe && info.Taille == 0);
}

} // namespace
} // namespace qn3::services
