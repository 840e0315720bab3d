#include "services/error_routine.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

using PathNamesTest = testing::ServicesTest;

TEST_F(PathNamesTest, CheckRepEndsFoldersWithOneBackslash)
{
    EXPECT_EQ(CheckRep(QStringLiteral("D:\\Sons")), QStringLiteral("D:\\Sons\\"));
    EXPECT_EQ(CheckRep(QStringLiteral("D:\\Sons\\")), QStringLiteral("D:\\Sons\\"));
    EXPECT_EQ(CheckRep(QString()), QString());
}

struct SplitCase {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
};

TEST_F(PathNamesTest, EclateRepFicExtSplitsOnTheLastBackslashAndTheLastDotAfterIt)
{
    const SplitCase cases[] = {
        {"D:\\Data\\Spot.old\\MES001.mp3", "D:\\Data\\Spot.old\\", "MES001", ".mp3"},
        {"D:\\Data\\Spot.old\\README", "D:\\Data\\Spot.old\\", "README", ""},
        {"20240305.Log", "", "20240305", ".Log"},
        {"archive.tar.gz", "", "archive.tar", ".gz"},
        {"D:\\Data\\", "D:\\Data\\", "", ""},
        {"   ", "", "", ""},
        {".profile", ".profile", "", ".profile"}, // a leading dot and no folder
    };
    for (const SplitCase& c : cases) {
        FichierEclate = {QStringLiteral("stale"), QStringLiteral("stale"), QStringLiteral("stale")};
        EclateRepFicExt(QString::fromUtf8(c.path));
        EXPECT_EQ(FichierEclate.Repertoire, QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(FichierEclate.Fichier, QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(FichierEclate.Extension, QString::fromUtf8(c.extension)) << c.path;
    }
}

TEST_F(PathNamesTest, SerieDeRepertoireComparesExactly)
{
    EXPECT_EQ(SerieDeRepertoire(QStringLiteral("PUB")), 6);
    EXPECT_EQ(SerieDeRepertoire(QStringLiteral("NUM")), 8);
    EXPECT_EQ(SerieDeRepertoire(QStringLiteral("pub")), 0);
    EXPECT_EQ(SerieDeRepertoire(QStringLiteral("PUB ")), 0);
}

TEST_F(PathNamesTest, CheckDriveKeepsAUsableSlotElseSpreadsIdsOverTheSlotsInUse)
{
    auto& pub = RepSons[0][6];
    pub[0] = QStringLiteral("D:\\Pub0\\");
    pub[1] = QStringLiteral("D:\\Pub1\\");
    pub[2] = QStringLiteral("D:\\Pub2\\");
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral("1"), QStringLiteral("PUB00011")), QStringLiteral("1"));
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral("3"), QStringLiteral("PUB00011")), QStringLiteral("2"));
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral("3"), QStringLiteral("PUB00007")), QStringLiteral("1"));
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral(" "), QStringLiteral("PUB00009")), QStringLiteral("0"));
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral("12"), QStringLiteral("PUB00010")), QStringLiteral("1"));
    EXPECT_EQ(CheckDrive(0, 6, QStringLiteral("-"), QStringLiteral("PUB00010")), QStringLiteral("-"));
    EXPECT_EQ(CheckDrive(0, 5, QStringLiteral("4"), QStringLiteral("PRE00010")), QStringLiteral("0"));
}

TEST_F(PathNamesTest, CheckDriveReportsAZoneOutOfRange)
{
    EXPECT_EQ(CheckDrive(8, 6, QStringLiteral("1"), QStringLiteral("PUB00011")), QStringLiteral("0"));
    EXPECT_EQ(InfoErreur.Numero, 9);
}

} // namespace
} // namespace qn3::services
