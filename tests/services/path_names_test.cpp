#include "services/error_routine.h"
#include "services/name_cleaning.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"

namespace qn3::services {
namespace {

using PathNamesTest = testing::ServicesTest;
using Cases = std::initializer_list<std::pair<const char*, const char*>>;

TEST_F(PathNamesTest, CheckRepEndsFoldersWithOneBackslashAndSerieDeRepertoireComparesExactly)
{
    EXPECT_EQ(CheckRep("D:\\Sons"), "D:\\Sons\\");
    EXPECT_EQ(CheckRep("D:\\Sons\\"), "D:\\Sons\\");
    EXPECT_EQ(CheckRep(QString()), QString());
    EXPECT_EQ(SerieDeRepertoire("PUB"), 6);
    EXPECT_EQ(SerieDeRepertoire("NUM"), 8);
    EXPECT_EQ(SerieDeRepertoire("pub"), 0);
    EXPECT_EQ(SerieDeRepertoire("PUB "), 0);
}

TEST_F(PathNamesTest, EclateRepFicExtSplitsOnTheLastBackslashAndTheLastDotAfterIt)
{
    const std::array<const char*, 4> cases[] = {
        {"D:\\Data\\Spot.old\\MES001.mp3", "D:\\Data\\Spot.old\\", "MES001", ".mp3"},
        {"D:\\Data\\Spot.old\\README", "D:\\Data\\Spot.old\\", "README", ""},
        {"20240305.Log", "", "20240305", ".Log"},
        {"archive.tar.gz", "", "archive.tar", ".gz"},
        {"D:\\Data\\", "D:\\Data\\", "", ""},
        {"   ", "", "", ""},
        {".profile", ".profile", "", ".profile"}, // a leading dot and no folder
    };
    for (const auto& [path, folder, name, extension] : cases) {
        FichierEclate = {"stale", "stale", "stale"};
        EclateRepFicExt(path);
        EXPECT_EQ(QStringList({FichierEclate.Repertoire, FichierEclate.Fichier, FichierEclate.Extension}),
                  QStringList({folder, name, extension})) << path;
    }
}

TEST_F(PathNamesTest, CheckDriveKeepsAUsableSlotElseSpreadsIdsOverTheSlotsInUse)
{
    RepSons[0][6] = {"D:\\Pub0\\", "D:\\Pub1\\", "D:\\Pub2\\"};
    EXPECT_EQ(CheckDrive(0, 6, "1", "PUB00011"), "1");
    EXPECT_EQ(CheckDrive(0, 6, "3", "PUB00011"), "2");
    EXPECT_EQ(CheckDrive(0, 6, "3", "PUB00007"), "1");
    EXPECT_EQ(CheckDrive(0, 6, " ", "PUB00009"), "0");
    EXPECT_EQ(CheckDrive(0, 6, "12", "PUB00010"), "1");
    EXPECT_EQ(CheckDrive(0, 6, "-", "PUB00010"), "-");
    EXPECT_EQ(CheckDrive(0, 5, "4", "PRE00010"), "0");
    EXPECT_EQ(InfoErreur.Numero, 0);
    EXPECT_EQ(CheckDrive(8, 6, "1", "PUB00011"), "0"); // a zone out of range
    EXPECT_EQ(InfoErreur.Numero, 9);
}

TEST_F(PathNamesTest, FileNamesLoseWhatWindowsRefuses)
{
    const Cases keepDots = {
        {"a:b?c", "a_b_c"}, {"a/b*c\"d<e>f|g", "a_b_c_d_e_f_g"}, {"50% off.mp3", "50 off.mp3"}, {"", ""},
        {"  blanks around  ", "blanks around"}, {"\ttab kept\t", "\ttab kept\t"}, // only blanks are trimmed
        {"C:\\Sons\\a.mp3", "C_\\Sons\\a.mp3"},                                 // the backslash stays
        {"a...b..c", "a...b..c"}, {"trailing dot.", "trailing dot."},
    };
    for (const auto& [in, out] : keepDots)
        EXPECT_EQ(NettoieNomDeFichier(in, false), out) << in;
    const Cases removeDots = {
        {"a...b..c", "abc"}, // three dots first, then two
        {"a....b", "a.b"},   // "..." goes, the fourth dot stays
        {"a.....b", "ab"}, {"x. .y %", "x. .y"},
    };
    for (const auto& [in, out] : removeDots)
        EXPECT_EQ(NettoieNomDeFichier(in, true), out) << in;
}

TEST_F(PathNamesTest, FolderPathsKeepTheirDriveAndLoseRefusedCharacters)
{
    const Cases cases = {
        {"D:\\Sons\\A:B\\", "D:\\Sons\\A B\\"}, {"D:\\Sons|x\\", "D:\\Sons x\\"}, {"D:\\x:\\", "D:\\x\\"},
        {"D:\\Sons |\\Pub\\", "D:\\Sons\\Pub\\"},     // blanks before a backslash go
        {"\\\\PC\\Data,Pub\\", "\\\\PC\\Data Pub\\"}, // network path; comma separates lists
        {"D:\\a      b\\", "D:\\a  b\\"},             // six blanks become two
        {"a:", "a:"}, {"::", "::"},                   // two characters keep their colon
        {"D:\\..\\x...y\\50%\\", "D:\\\\xy\\50\\"}, {"  D:\\Sons\\  ", "D:\\Sons\\"},
        {"D:\\\"quoted\"\\", "D:\\ quoted\\"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(NettoieNomDeDossier(in), out) << in;
}

} // namespace
} // namespace qn3::services
