#include "platform/file_attributes.h"
#include "platform/private_profile.h"
#include "services/ini_access.h"
#include "support/services_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

namespace attributes = platform::attributes;

// Forwards to the real files and counts the calls that reach them.
class CountingProfile final : public platform::PrivateProfile {
public:
    int calls = 0;
    platform::ProfileRead readString(QStringView f, QStringView s, QStringView k, QStringView d, uint32_t n) override
    {
        ++calls;
        return standard().readString(f, s, k, d, n);
    }
    platform::ProfileRead sectionNames(QStringView f, uint32_t n) override { return standard().sectionNames(f, n); }
    platform::ProfileRead keyNames(QStringView f, QStringView s, uint32_t n) override
    {
        return standard().keyNames(f, s, n);
    }
    platform::ProfileWrite writeString(QStringView f, QStringView s, QStringView k, QStringView v) override
    {
        ++calls;
        return standard().writeString(f, s, k, v);
    }
    platform::ProfileWrite deleteKey(QStringView f, QStringView s, QStringView k) override
    {
        return standard().deleteKey(f, s, k);
    }
    platform::ProfileWrite deleteSection(QStringView f, QStringView s) override { return standard().deleteSection(f, s); }
};

class IniAccessTest : public testing::ServicesTest {
protected:
    const QString ini = "C:\\Config\\ZT_SYS.ini";
};

// ---- Reading -----------------------------------------------------------------

TEST_F(IniAccessTest, ReadGivesTheValueOrTheDefaultWhenAnythingIsMissing)
{
    writeFile(ini, "[General]\r\nNom = Radio Une \r\n");
    EXPECT_EQ(LectureIni(ini, "general", "NOM", "x"), "Radio Une");
    EXPECT_EQ(LectureIni(ini, "General", "Autre", "d1"), "d1");
    EXPECT_EQ(LectureIni(ini, "Absente", "Nom", "d2"), "d2");
    EXPECT_EQ(LectureIni("C:\\Config\\Absent.ini", "General", "Nom",
                         "d3"),
              "d3");
}

TEST_F(IniAccessTest, ReadCutsALongValueToItsFirst254Characters)
{
    QByteArray value;
    for (int i = 0; i < 300; ++i)
        value += char('a' + i % 26);
    writeFile(ini, "[S]\r\nK=" + value + "\r\n");
    EXPECT_EQ(LectureIni(ini, "S", "K", QString()), QString::fromLatin1(value.left(254)));
}

TEST_F(IniAccessTest, ReadOfARefusedNameGivesTheDefaultWithoutReachingTheFiles)
{
    CountingProfile profile;
    platform::ScopedInstall<platform::PrivateProfile> install(profile);
    EXPECT_EQ(LectureIni("C:\\Config\\ZT?.ini", "S", "K", "def"),
              "def");
    EXPECT_EQ(profile.calls, 0);
    // A second colon is not refused here: the platform decides.
    LectureIni("C:\\Config\\a:b.ini", "S", "K", "def");
    EXPECT_EQ(profile.calls, 1);
}

TEST_F(IniAccessTest, ReadSeesAChangeMadeOutsideRightAfterAnEarlierRead)
{
    writeFile(ini, "[Active]\r\nDate=AAAA\r\n");
    EXPECT_EQ(LectureIni(ini, "Active", "Date", QString()), "AAAA");
    // Same size, same second: only a re-check of the file itself notices.
    writeFile(ini, "[Active]\r\nDate=BBBB\r\n");
    EXPECT_EQ(LectureIni(ini, "Active", "Date", QString()), "BBBB");
}

TEST(NomFichierCorrect, RefusesWildcardsQuotesAndBarsOnly)
{
    const struct {
        const char16_t* name;
        bool correct;
    } table[] = {
        {u"", true},          {u"C:\\a\\b.ini", true}, {u"C:\\a:b<c>/d.ini", true}, {u"C:\\*.ini", false},
        {u"C:\\a?.ini", false}, {u"C:\\\"a\".ini", false}, {u"C:\\a|b.ini", false},
    };
    for (const auto& row : table)
        EXPECT_EQ(NomFichierCorrect(QString::fromUtf16(row.name)), row.correct) << QString::fromUtf16(row.name).toStdString();
}

// ---- Writing -----------------------------------------------------------------

TEST_F(IniAccessTest, WriteWithABlankSectionOrKeyOrARefusedNameWritesNothing)
{
    EXPECT_FALSE(EcritureIni(ini, "S", "   ", "v"));
    EXPECT_FALSE(EcritureIni(ini, " ", "K", "v"));
    EXPECT_FALSE(EcritureIni("C:\\Config\\a|b.ini", "S", "K", "v"));
    EXPECT_FALSE(QFile::exists(host("C:\\Config\\")));
}

TEST_F(IniAccessTest, WriteMakesTwoMissingFolderLevelsOnItsSecondAttempt)
{
    CountingProfile profile;
    platform::ScopedInstall<platform::PrivateProfile> install(profile);
    const QString deep = "C:\\Un\\Deux\\QN3.ini";
    EXPECT_TRUE(EcritureIni(deep, "S", "K", "v"));
    EXPECT_EQ(profile.calls, 2);
    EXPECT_EQ(readFile(deep), QByteArray("[S]\r\nK=v\r\n"));
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(IniAccessTest, WriteIntoAReadOnlyFileClearsOnlyItsReadOnlyBitOnTheThirdAttempt)
{
    writeFile(ini, "[S]\r\nK=old\r\n");
    attributes::set(ini, attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    CountingProfile profile;
    platform::ScopedInstall<platform::PrivateProfile> install(profile);
    EXPECT_TRUE(EcritureIni(ini, "S", "K", "new"));
    EXPECT_EQ(profile.calls, 3);
    EXPECT_EQ(readFile(ini), QByteArray("[S]\r\nK=new\r\n"));
    EXPECT_EQ(attributes::get(ini), attributes::Hidden | attributes::Archive);
}

TEST_F(IniAccessTest, WriteIntoAFolderThatCannotBeMadeFailsAndKeepsTheBlockingFile)
{
    writeFile("C:\\Bloc", "a file where a folder should be");
    EXPECT_FALSE(EcritureIni("C:\\Bloc\\Sous\\x.ini", "S", "K", "v"));
    EXPECT_EQ(readFile("C:\\Bloc"), QByteArray("a file where a folder should be"));
    EXPECT_TRUE(traced().contains("Folder 'C:\\Bloc\\' not found"));
}

// ---- Clearing attribute bits ---------------------------------------------------

TEST_F(IniAccessTest, RemoveFlagClearsOnlyBitsTheFileHas)
{
    writeFile(ini, "x");
    attributes::set(ini, attributes::Hidden | attributes::Archive);
    File_RemoveFlag(ini, 1);
    EXPECT_EQ(attributes::get(ini), attributes::Hidden | attributes::Archive);
    File_RemoveFlag(ini, attributes::Hidden | 0x100);
    EXPECT_EQ(attributes::get(ini), attributes::Archive);
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(IniAccessTest, RemoveFlagOnAnEmptyOrMissingFileOnlyWarns)
{
    writeFile(ini, "");
    attributes::set(ini, attributes::ReadOnly);
    File_RemoveFlag(ini, 1);
    File_RemoveFlag("C:\\Config\\absent.ini", 1);
    File_RemoveFlag("  ", 1);
    EXPECT_EQ(attributes::get(ini), attributes::ReadOnly);
    EXPECT_EQ(traced(), QStringList({"Warning: File_RemoveFlag: File not found: " + ini,
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
