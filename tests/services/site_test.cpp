#include "services/shared_values.h"
#include "services/versions.h"
#include "site_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class SiteInitTest : public testing::SiteTest {
protected:
    // One base in C:\Cfg\, its database in C:\Data\, `base` added to its file.
    void oneBase(const QString& base = {})
    {
        ini(siteFile, "[Site]\nNbBase=1\n[ThemeWindows]\nMsg=1\n[Base_01]\nDossier_Config_Global=C:\\Cfg\\\n");
        ini(systeme, "[Base_01]\nDossier_Data=C:\\Data\\\n" + base);
        writeFile("C:\\Data\\FRAD000.bt6", "db");
    }
    bool start()
    {
        bool arret = false;
        InitGeneralPath(-1);
        InitGeneralSite(arret);
        return arret;
    }
    QString traceText() const { return traced().join(u'\n') + u'\n'; }
    const QString systeme = "C:\\Cfg\\QN3_Systeme.ini";
};

TEST_F(SiteInitTest, AStartOnAnEmptyPrefixMakesTheSiteFileTheBaseFileAndEveryDefaultFolder)
{
    user.messageBoxAnswers = { msgbox::AnswerOk, msgbox::AnswerNo }; // the notice, then the database question
    EXPECT_FALSE(start());
    for (const char* folder : { "C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\", "C:\\AudioLog\\Pub\\", "C:\\BTRieve\\Data\\",
             "C:\\Sonvarek\\Quillon\\Settings\\_Local\\", "C:\\QN_Data\\_Bkp\\", "C:\\QN_Sons\\Musique\\",
             "C:\\QN_Sons\\Autre\\" })
        EXPECT_TRUE(isFolder(folder)) << folder;
    EXPECT_EQ(ParametresBase[0].Lib, "Nom de la radio");
    EXPECT_EQ(ParametresBase[0].Stations[0].Lib, "Station 01");
    EXPECT_TRUE(traceText().contains("Data_Folder: C:\\BTRieve\\Data\\\n"));
    EXPECT_TRUE(traceText().contains("Dossier_Redist: \n"));
}

TEST_F(SiteInitTest, TheChosenBaseIsRememberedAndReadAsTheFirstBase)
{
    ini(siteFile,
        "[Site]\nNbBase=3\nDossier_Config_Global=C:\\B2\\\n[ThemeWindows]\nMsg=1\n"
        "[Base_01]\nDossier_Config_Global=C:\\B1\\\n[Base_02]\nDossier_Config_Global=C:\\B2\\\n"
        "[Base_03]\nDossier_Config_Global=C:\\B3\n");
    ini("C:\\B1\\QN3_Systeme.ini", "[Base_01]\nLib=Un\n");
    ini("C:\\B2\\QN3_Systeme.ini", "[Base_01]\nLib=Deux\n");
    ini("C:\\B3\\QN3_Systeme.ini", "[Base_01]\nDossier_Data=C:\\D3\\\n[Base_03]\nDossier_Data=C:\\Wrong\\\n");
    writeFile("C:\\D3\\FRAD000.bt6", "db");
    user.baseAnswer = 2;
    EXPECT_FALSE(start());
    EXPECT_EQ(user.baseRequests.at(0).names, QStringList({ "Un", "Deux", "Base 03" }));
    EXPECT_EQ(user.baseRequests[0].preselected, 1);
    EXPECT_EQ(user.waitWindowChanges, std::vector<bool>({ false, true }));
    EXPECT_EQ(read(siteFile, "Site", "NoBase"), "3");
    EXPECT_EQ(read(siteFile, "Site", "Dossier_Config_Global"), "C:\\B3\\");
    EXPECT_EQ(NombreBases * 10 + BaseCourante, 10);
    EXPECT_EQ(DossierConfigBase[0], "C:\\B3\\");
    EXPECT_EQ(ParametresBase[0].Dossier_Data, "C:\\D3\\");
}

TEST_F(SiteInitTest, ABaseWithoutFolderIsNotListedAndTheChoiceStillNamesTheRightBase)
{
    ini(siteFile,
        "[Site]\nNbBase=3\n[ThemeWindows]\nMsg=1\n[Base_01]\nDossier_Config_Global=C:\\B1\\\n"
        "[Base_02]\nDossier_Config_Global= \n[Base_03]\nDossier_Config_Global=C:\\B3\\\n");
    user.baseAnswer = 1;
    user.messageBoxAnswer = msgbox::AnswerNo;
    start();
    EXPECT_EQ(user.baseRequests.at(0).names, QStringList({ "Base 01", "Base 03" }));
    EXPECT_EQ(read(siteFile, "Site", "NoBase"), "3");
    EXPECT_EQ(DossierConfigBase[0], "C:\\B3\\");
}

TEST_F(SiteInitTest, GivingUpTheChoiceEndsTheProgramBeforeAnyBaseIsRead)
{
    ini(siteFile,
        "[Site]\nNbBase=2\n[ThemeWindows]\nMsg=1\n[Base_01]\nDossier_Config_Global=C:\\B1\\\n"
        "[Base_02]\nDossier_Config_Global=C:\\B2\\\n");
    user.baseAnswer = -1;
    EXPECT_TRUE(start());
    EXPECT_EQ(user.endRequests, 1);
    EXPECT_FALSE(isFolder("C:\\Sonvarek\\Quillon\\Settings\\_Local\\"));
}

TEST_F(SiteInitTest, DatabaseQuestionAnswers)
{
    struct Case {
        const char* name;
        std::deque<int32_t> answers;
        std::deque<QString> folders;
        QString dataInMemory, dataInFile;
        size_t questions;
        bool arret;
    };
    const Case cases[] = {
        { "no", { msgbox::AnswerNo }, {}, "C:\\Vide\\", "C:\\Vide", 1, false },
        { "wrong then right", { msgbox::AnswerYes, msgbox::AnswerYes }, { "C:\\Autre\\", "C:\\Data\\" }, "C:\\Data\\",
            "C:\\Data\\", 2, false },
        { "dialog cancelled, then no", { msgbox::AnswerYes, msgbox::AnswerNo }, {}, "C:\\Vide\\", "C:\\Vide", 2,
            false },
        { "cancel", { msgbox::AnswerCancel }, {}, "C:\\Vide\\", "C:\\Vide", 1, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEST_resetSite();
        oneBase();
        ini(systeme, "[Base_01]\nLib=Radio\nDossier_Data=C:\\Vide\n");
        writeFile("C:\\Vide\\FRAD000.bt6", ""); // empty: as good as missing
        user = testing::ScriptedUserInteraction {};
        user.messageBoxAnswers = c.answers;
        user.folderAnswers = c.folders;
        EXPECT_EQ(start(), c.arret);
        EXPECT_EQ(user.endRequests, c.arret ? 1 : 0);
        ASSERT_EQ(user.messageBoxes.size(), c.questions);
        EXPECT_EQ(user.messageBoxes[0].style, msgbox::YesNoCancel | msgbox::Question);
        EXPECT_TRUE(
            user.messageBoxes[0].text.startsWith("Impossible de trouver la base de données pour la base: Radio\r\n\r\n"
                                                 "Fichier 'C:\\Vide\\FRAD000.bt6' non trouvé"));
        EXPECT_TRUE(user.folderRequests.empty() || user.folderRequests[0].startFolder == "C:\\Vide");
        EXPECT_EQ(ParametresBase[0].Dossier_Data, c.dataInMemory);
        EXPECT_EQ(read(systeme, "Base_01", "Dossier_Data"), c.dataInFile);
        EXPECT_EQ(ParametresBase[0].Backup.isEmpty(), c.arret); // nothing after a cancel
    }
}

TEST_F(SiteInitTest, TheProgramIsCopiedOncePerVersion)
{
    oneBase("Dossier_Redist=C:\\Redist\n");
    writeFile("C:\\Program Files\\QN3\\QN3_Tools_Vandrel", "v1");
    start();
    const QString copie = "C:\\Redist\\QN\\Backup\\Programmes\\QN3_Tools_Vandrel " + VersionApplication() + ".exe";
    EXPECT_EQ(readFile(copie), "v1");
    EXPECT_TRUE(traceText().contains("Dossier_Redist: C:\\Redist\\QN\\Backup\\Programmes\\\n"));
    writeFile("C:\\Program Files\\QN3\\QN3_Tools_Vandrel", "v1 rebuilt");
    start();
    EXPECT_EQ(readFile(copie), "v1");
}

TEST_F(SiteInitTest, SoundSlotsAndStations)
{
    oneBase("NbStation=2\n[Base_01_Sounds_Folders]\nMus_01=1:C:\\S\\A\nJin_01=C:\\S\\X\\\nLin_01=0:c:\\s\\a\\\n"
            "Tmp_10=0:C:\\S\\T\\\n[Base_01_Station_02]\nLib=Sud\nActif=1\n");
    start();
    const SlotSons& first = ParametresBase[0].Sons[0];
    EXPECT_TRUE(first.Actif[0] && !first.Actif[1] && !first.Actif[2]);
    EXPECT_EQ(first.Dossier[0], "C:\\S\\A\\");
    EXPECT_EQ(first.Dossier[1], "C:\\QN_Sons\\Autre\\");
    EXPECT_EQ(first.Dossier[2], "c:\\s\\a\\");
    EXPECT_EQ(ParametresBase[0].Sons[9].Dossier[7], "C:\\S\\T\\");
    EXPECT_TRUE(isFolder("C:\\S\\T\\"));
    EXPECT_FALSE(isFolder("C:\\S\\X\\"));
    const auto& stations = ParametresBase[0].Stations;
    EXPECT_EQ(stations[0].Lib + stations[1].Lib, "Station 1Sud");
    EXPECT_TRUE(!stations[0].Actif && stations[1].Actif);

    TEST_resetSite();
    oneBase("NbStation=0\n");
    start();
    EXPECT_TRUE(ParametresBase[0].Stations[0].Lib.isEmpty());
}

} // namespace
} // namespace qn3::services
