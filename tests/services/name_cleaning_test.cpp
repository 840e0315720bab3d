#include "services/name_cleaning.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

using NameCleaningTest = testing::ServicesTest;

struct CleaningCase {
    const char* in;
    const char* out;
};

TEST_F(NameCleaningTest, FileNamesLoseWhatWindowsRefuses)
{
    const CleaningCase keepDots[] = {
        {"a:b?c", "a_b_c"},
        {"a/b*c\"d<e>f|g", "a_b_c_d_e_f_g"},
        {"50% off.mp3", "50 off.mp3"},
        {"  blanks around  ", "blanks around"},
        {"\ttab kept\t", "\ttab kept\t"}, // only blanks are trimmed
        {"C:\\Sons\\a.mp3", "C_\\Sons\\a.mp3"}, // the backslash stays
        {"a...b..c", "a...b..c"},
        {"trailing dot.", "trailing dot."},
        {"", ""},
    };
    for (const CleaningCase& c : keepDots)
        EXPECT_EQ(NettoieNomDeFichier(QString::fromUtf8(c.in), false), QString::fromUtf8(c.out)) << c.in;

    const CleaningCase removeDots[] = {
        {"a...b..c", "abc"},     // three dots first, then two
        {"a....b", "a.b"},       // "..." goes, the fourth dot stays
        {"a.....b", "ab"},
        {"x. .y %", "x. .y"},
    };
    for (const CleaningCase& c : removeDots)
        EXPECT_EQ(NettoieNomDeFichier(QString::fromUtf8(c.in), true), QString::fromUtf8(c.out)) << c.in;
}

TEST_F(NameCleaningTest, FolderPathsKeepTheirDriveAndLoseRefusedCharacters)
{
    const CleaningCase cases[] = {
        {"D:\\Sons\\A:B\\", "D:\\Sons\\A B\\"},
        {"D:\\Sons|x\\", "D:\\Sons x\\"},
        {"D:\\Sons |\\Pub\\", "D:\\Sons\\Pub\\"},         // blanks before a backslash go
        {"\\\\PC\\Data,Pub\\", "\\\\PC\\Data Pub\\"},     // network path; comma separates lists
        {"D:\\a      b\\", "D:\\a  b\\"},                  // six blanks become two
        {"D:\\..\\x...y\\50%\\", "D:\\\\xy\\50\\"},
        {"a:", "a:"},                                       // two characters keep their colon
        {"::", "::"},
        {"D:\\x:\\", "D:\\x\\"},
        {"  D:\\Sons\\  ", "D:\\Sons\\"},
        {"D:\\\"quoted\"\\", "D:\\ quoted\\"},
    };
    for (const CleaningCase& c : cases)
        EXPECT_EQ(NettoieNomDeDossier(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

} // namespace
} // namespace qn3::services
