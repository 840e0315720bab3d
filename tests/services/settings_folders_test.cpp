#include "services/shared_values.h"
#include "services/window_members.h"
#include "site_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

using SettingsFoldersTest = testing::SiteTest;

TEST_F(SettingsFoldersTest, WithoutAnyOlderSetupGeneratesOneBaseWithTheDefaultsAndTellsOfTheClassicLookOnce)
{
    Frm_Main().Caption = "Quillon";
    EXPECT_EQ(DetermineDossierConfig(1), siteFile);
    DetermineDossierConfig(2);
    const QString systeme = "Config\\QN3_Systeme.ini";
    expectRows({
        { siteFile, "Site", "Lib", "Nom de la radio" },
        { siteFile, "Site", "NbBase", "1" },
        { siteFile, "Base_01", "Dossier_Config_Global", "Config\\" },
        { systeme, "Base_01", "NbStation", "1" },
        { systeme, "Base_01", "Dossier_Local", "" },
        { systeme, "Base_01", "Dossier_Data", "C:\\BTRieve\\Data\\" },
        { siteFile, "ThemeWindows", "Msg", "1" },
    });
    // "Config\" of a first start is the current folder's.
    EXPECT_TRUE(QFileInfo::exists(host("C:\\Work\\Config\\QN3_Systeme.ini")));
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].title, "Quillon");
    EXPECT_EQ(user.messageBoxes[0].style, msgbox::Information);
    EXPECT_TRUE(user.messageBoxes[0].text.startsWith("Le poste utilise le style 'Windows standard'\r\n\r\nPour une"));
}

TEST_F(SettingsFoldersTest, ThreeOlderBasesGiveTheirNamesFoldersAndSoundSlots)
{
    ini("C:\\Windows\\Win.ini",
        "[Sonvarek]\nNb_Base=3\nIni_Base_01=C:\\B1\nIni_Base_02=C:\\B2\\\nIni_Base_03=C:\\B3\\\n"
        "Base_01=Alpha\n");
    ini("C:\\B2\\Zt_sys.ini",
        "[Stations]\nNb_Max=2\n[Div_Radio]\nStation_002=Sud\n[UNC_Actif]\nREPLOG=ON\n"
        "[Repertoires_UNC]\nREPLOG=\\\\srv\\log\n[Repertoires]\nREPLOG=C:\\Local\\\n"
        "[UNC_Actif002]\nJIN_04=ON\n[Repertoire_Station_UNC_002]\nJIN_04=1,\\\\srv\\jin\\\n"
        "[Repertoire_Station_002]\nJIN_04=0,C:\\Jin\\\n000_00=1,C:\\Mus\\\n000_01=   \n"
        "[Repertoire_Station_001]\nPUB_00=1,C:\\WrongBase\\\n");
    DetermineDossierConfig(1);
    const QString b2 = "C:\\B2\\QN3_Systeme.ini";
    expectRows({
        { siteFile, "Site", "NbBase", "3" },
        { siteFile, "Base_03", "Dossier_Config_Global", "C:\\B3\\" },
        { "C:\\B1\\QN3_Systeme.ini", "Base_01", "Lib", "Alpha" },
        { b2, "Base_02", "Lib", "Base 02" },
        { b2, "Base_02", "NbStation", "2" },
        { b2, "Base_02", "Dossier_Log", "\\\\srv\\log" },
        { b2, "Base_02_Station_02", "Lib", "Sud" },
        { b2, "Dossiers_Sons_Jin", "04", "\\\\srv\\jin\\" },
        { b2, "Dossiers_Sons_Mus", "00", "C:\\Mus\\" },
        { b2, "Dossiers_Sons_Mus", "01", "<none>" },
        { b2, "Dossiers_Sons_Pub", "00", "<none>" },
        { "C:\\B3\\QN3_Systeme.ini", "Base_03", "Lib", "Base 03" },
    });
}

TEST_F(SettingsFoldersTest, AnOversizedBaseCountStopsAtTheSuitesLimit)
{
    ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=500\n");
    DetermineDossierConfig(1);
    EXPECT_EQ(read(siteFile, "Site", "NbBase"), "20");
    EXPECT_EQ(read(siteFile, "Base_21", "Dossier_Config_Global"), "<none>");
}

TEST_F(SettingsFoldersTest, AnExistingSiteFileIsNeverRegenerated)
{
    ini(siteFile, "[Site]\nNbBase=2\n[ThemeWindows]\nMsg=1\n");
    ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=3\n");
    DetermineDossierConfig(1);
    EXPECT_EQ(read(siteFile, "Site", "NbBase"), "2");
    EXPECT_EQ(read(siteFile, "Base_03", "Dossier_Config_Global"), "<none>");
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(SettingsFoldersTest, OnWindowsSevenNothingIsMadeButThePathIsGiven)
{
    CodeVersionWindows = 7;
    EXPECT_EQ(DetermineDossierConfig(1), siteFile);
    EXPECT_FALSE(isFolder("C:\\Program Files\\QN3\\Settings\\"));
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(SettingsFoldersTest, BaseFolderFollowsThePriorityAsked)
{
    ini(siteFile,
        "[Site]\nDossier_Config_Global=C:\\Choisie\n[Base_02]\nDossier_Config_Global=C:\\Deux\n"
        "[Base_03]\nDossier_Config_Global= \n");
    const bool oui = true, non = false;
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 2, oui), "C:\\Deux\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 2, non), "C:\\Choisie\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 3, oui), "C:\\Choisie\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 4, oui), "C:\\Sonvarek\\Quillon\\Config\\");
    EXPECT_EQ(DetermineDossierConfig_Fichier(siteFile, 2), "C:\\Choisie\\");
    ini(siteFile, "[Base_02]\nDossier_Config_Global=C:\\Deux\n");
    EXPECT_EQ(DetermineDossierConfig_Fichier(siteFile, 5), "C:\\Program Files\\QN3\\Config\\");
}

TEST_F(SettingsFoldersTest, SettingsFoldersAreMadeFirstAndAnOlderLocalFileMovesInOnlyWhenNoneIsThere)
{
    const QString ancien = "C:\\Windows\\QN3_Tools_Vandrel.Ini";
    const QString nouveau
        = "C:\\Program Files\\QN3\\Settings\\QN3_Tools_Vandrel\\QN3_Tools_Vandrel.Ini";
    writeFile(ancien, "[A]\r\nB=1\r\n");
    EXPECT_EQ(NomFichierSettings("_Positions", ".Ini"),
        "C:\\Program Files\\QN3\\Settings\\QN3_Tools_Vandrel\\QN3_Tools_Vandrel_Positions.Ini");
    EXPECT_TRUE(isFolder("C:\\Program Files\\QN3\\Settings\\QN3_Tools_Vandrel\\Temp\\"));
    EXPECT_EQ(readFile(nouveau), "[A]\r\nB=1\r\n");
    EXPECT_FALSE(QFileInfo::exists(host(ancien)));

    writeFile(ancien, "old");
    writeFile(nouveau, "new");
    NomDossierSettings();
    EXPECT_EQ(readFile(ancien), "old");
    EXPECT_EQ(readFile(nouveau), "new");
}

} // namespace
} // namespace qn3::services
