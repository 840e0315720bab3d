#include "platform/file_attributes.h"
#include "platform/private_profile.h"
#include "services/ini_access.h"
#include "support/services_fixture.h"

#include <QFile>

namespace qn3::services {
namespace {

namespace attributes = platform::attributes;
using QSV = QStringView;

// Forwards to the real files and counts the reads and writes that reach them.
struct CountingProfile final : platform::PrivateProfile {
    int calls = 0;
    platform::ProfileRead readString(QSV f, QSV s, QSV k, QSV d, uint32_t n) override
    {
        return ++calls, standard().readString(f, s, k, d, n);
    }
    platform::ProfileRead sectionNames(QSV f, uint32_t n) override { return standard().sectionNames(f, n); }
    platform::ProfileRead keyNames(QSV f, QSV s, uint32_t n) override { return standard().keyNames(f, s, n); }
    platform::ProfileWrite writeString(QSV f, QSV s, QSV k, QSV v) override
    {
        return ++calls, standard().writeString(f, s, k, v);
    }
    platform::ProfileWrite deleteKey(QSV f, QSV s, QSV k) override { return standard().deleteKey(f, s, k); }
    platform::ProfileWrite deleteSection(QSV f, QSV s) override { return standard().deleteSection(f, s); }
};

struct IniAccessTest : testing::ServicesTest {
    const QString ini = "C:\\Config\\ZT_SYS.ini";
    CountingProfile profile;
    platform::ScopedInstall<platform::PrivateProfile> install{profile};
};

TEST_F(IniAccessTest, ReadGivesTheValueCutTo254CharactersOrTheDefault)
{
    writeFile(ini, "[General]\r\nNom = Radio Une \r\nLong=" + QByteArray(254, 'a') + "bcd\r\n");
    EXPECT_EQ(LectureIni(ini, "general", "NOM", "x"), "Radio Une");
    EXPECT_EQ(LectureIni(ini, "General", "Long", QString()), QString(254, u'a'));
    EXPECT_EQ(LectureIni(ini, "General", "Autre", "d1"), "d1");
}

TEST(NomFichierCorrect, RefusesWildcardsQuotesAndBarsOnly)
{
    const std::pair<const char*, bool> table[] = {
        {"", true},         {"C:\\a\\b.ini", true},    {"C:\\a:b<c>/d.ini", true}, {"C:\\*.ini", false},
        {"C:\\a?.ini", false}, {"C:\\\"a\".ini", false}, {"C:\\a|b.ini", false},
    };
    for (const auto& [name, correct] : table)
        EXPECT_EQ(NomFichierCorrect(name), correct) << name;
}

TEST_F(IniAccessTest, ARefusedNameOrABlankSectionOrKeyNeverReachesTheFiles)
{
    EXPECT_EQ(LectureIni("C:\\Config\\ZT?.ini", "S", "K", "def"), "def");
    EXPECT_FALSE(EcritureIni(ini, "S", "   ", "v"));
    EXPECT_FALSE(EcritureIni(ini, " ", "K", "v"));
    EXPECT_FALSE(EcritureIni("C:\\Config\\a|b.ini", "S", "K", "v"));
    EXPECT_FALSE(QFile::exists(host("C:\\Config\\")));
    EXPECT_EQ(profile.calls, 0);
    // A second colon is not refused here: the platform decides.
    LectureIni("C:\\Config\\a:b.ini", "S", "K", "def");
    EXPECT_EQ(profile.calls, 1);
}

TEST_F(IniAccessTest, WriteMakesMissingFolderLevelsOnItsSecondAttemptAndFailsWhenTheyCannotBeMade)
{
    const QString deep = "C:\\Un\\Deux\\QN3.ini";
    EXPECT_TRUE(EcritureIni(deep, "S", "K", "v"));
    EXPECT_EQ(profile.calls, 2);
    EXPECT_EQ(readFile(deep), "[S]\r\nK=v\r\n");
    EXPECT_TRUE(traced().isEmpty());

    writeFile("C:\\Bloc", "a file where a folder should be");
    EXPECT_FALSE(EcritureIni("C:\\Bloc\\Sous\\x.ini", "S", "K", "v"));
    EXPECT_EQ(readFile("C:\\Bloc"), "a file where a folder should be");
}

TEST_F(IniAccessTest, WriteIntoAReadOnlyFileClearsOnlyItsReadOnlyBitOnTheThirdAttempt)
{
    writeFile(ini, "[S]\r\nK=old\r\n");
    attributes::set(ini, attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    EXPECT_TRUE(EcritureIni(ini, "S", "K", "new"));
    EXPECT_EQ(profile.calls, 3);
    EXPECT_EQ(readFile(ini), "[S]\r\nK=new\r\n");
    EXPECT_EQ(attributes::get(ini), attributes::Hidden | attributes::Archive);
}

TEST_F(IniAccessTest, RemoveFlagClearsOnlyBitsTheFileHasAndOnAnEmptyOrMissingFileOnlyWarns)
{
    const QString empty = "C:\\Config\\empty.ini";
    writeFile(ini, "x");
    writeFile(empty, "");
    attributes::set(ini, attributes::Hidden | attributes::Archive);
    attributes::set(empty, attributes::ReadOnly);
    File_RemoveFlag(ini, 1);
    EXPECT_EQ(attributes::get(ini), attributes::Hidden | attributes::Archive);
    File_RemoveFlag(ini, attributes::Hidden | 0x100);
    EXPECT_EQ(attributes::get(ini), attributes::Archive);
    EXPECT_TRUE(traced().isEmpty());

    File_RemoveFlag(empty, 1);
    File_RemoveFlag("C:\\Config\\absent.ini", 1);
    File_RemoveFlag("  ", 1);
    EXPECT_EQ(attributes::get(empty), attributes::ReadOnly);
    EXPECT_EQ(traced(), QStringList({"Warning: File_RemoveFlag: File not found: " + empty,
                                     "Warning: File_RemoveFlag: File not found: C:\\Config\\absent.ini"}));
}

TEST_F(IniAccessTest, ArgumentsReachTheFileInTheirAnsiForm)
{
    // "Ж" has no place in the code page: it reaches the file, and the lookup, as "?".
    ASSERT_TRUE(EcritureIni(ini, "Général", "ClÉ", "Ж1 €"));
    EXPECT_TRUE(readFile(ini).contains("[G\xe9n\xe9ral]\r\nCl\xc9=?1 \x80"));
    EXPECT_EQ(LectureIni(ini, "général", "clé", QString()), "?1 €");
    EXPECT_EQ(LectureIni(ini, "Général", "Absente", "dé Ж"), "dé ?");
}

} // namespace
} // namespace qn3::services
