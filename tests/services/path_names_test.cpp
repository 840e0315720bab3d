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
    EXPECT_EQ(CheckRep("D:\\Sons"), "D:\\Sons\\");
    EXPECT_EQ(CheckRep("D:\\Sons\\"), "D:\\Sons\\");
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
        FichierEclate = {"stale", "stale", "stale"};
        EclateRepFicExt(QString::fromUtf8(c.path));
        EXPECT_EQ(FichierEclate.Repertoire, QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(FichierEclate.Fichier, QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(FichierEclate.Extension, QString::fromUtf8(c.extension)) << c.path;
    }
}

TEST_F(PathNamesTest, SerieDeRepertoireComparesExactly)
{
    EXPECT_EQ(SerieDeRepertoire("PUB"), 6);
    EXPECT_EQ(SerieDeRepertoire("NUM"), 8);
    EXPECT_EQ(SerieDeRepertoire("pub"), 0);
    EXPECT_EQ(SerieDeRepertoire("PUB "), 0);
}

TEST_F(PathNamesTest, CheckDriveKeepsAUsableSlotElseSpreadsIdsOverTheSlotsInUse)
{
    auto& pub = RepSons[0][6];
    pub[0] = "D:\\Pub0\\";
    pub[1] = "D:\\Pub1\\";
    pub[2] = "D:\\Pub2\\";
    EXPECT_EQ(CheckDrive(0, 6, "1", "PUB00011"), "1");
    EXPECT_EQ(CheckDrive(0, 6, "3", "PUB00011"), "2");
    EXPECT_EQ(CheckDrive(0, 6, "3", "PUB00007"), "1");
    EXPECT_EQ(CheckDrive(0, 6, " ", "PUB00009"), "0");
    EXPECT_EQ(CheckDrive(0, 6, "12", "PUB00010"), "1");
    EXPECT_EQ(CheckDrive(0, 6, "-", "PUB00010"), "-");
    EXPECT_EQ(CheckDrive(0, 5, "4", "PRE00010"), "0");
}

TEST_F(PathNamesTest, CheckDriveReportsAZoneOutOfRange)
{
    EXPECT_EQ(CheckDrive(8, 6, "1", "PUB00011"), "0");
    EXPECT_EQ(InfoErreur.Numero, 9);
}

} // namespace
} // namespace qn3::services
