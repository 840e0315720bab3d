#include "services/ini_access.h"
#include "services/os_facts.h"
#include "platform/registry_store.h"
#include "services/registry_access.h"
#include "services/settings_folders.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/versions.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <tuple>

namespace qn3::services {
namespace {

// A first start in a private prefix, whose C:\Work is the current folder.
struct SiteTest : testing::ServicesTest {
    SiteTest()
    {
        QDir().mkpath(work());
        QDir::setCurrent(work());
        reset();
    }
    ~SiteTest() override
    {
        QDir::setCurrent(previous_);
        reset();
    }

    // Writes INI lines given with "\n", as the suite writes them (CRLF).
    void ini(const QString& windowsPath, QString text) const
    {
        writeFile(windowsPath, text.replace(u'\n', "\r\n").toLatin1());
    }
    QString read(const QString& file, const QString& section, const QString& key) const
    {
        return LectureIni(file, section, key, "<none>");
    }
    bool isFolder(const QString& windowsPath) const { return QFileInfo(host(windowsPath)).isDir(); }
    // Each row: file, section, key and the value expected ("<none>": missing).
    void expectRows(std::initializer_list<std::array<QString, 4>> rows) const
    {
        for (const auto& [file, section, key, value] : rows)
            EXPECT_EQ(read(file, section, key), value) << key.toStdString();
    }

    const QString siteFile = "C:\\Program Files\\QN3\\Settings\\QN3_Config.ini";

    // A computer whose user chose the classic look of Windows.
    static void classicLook()
    {
        Reg_SetValue(platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                     "ThemeActive", "0", 1);
    }

private:
    QString work() const { return prefix.driveC() + "/Work"; }
    static void reset()
    {
        CodeVersionWindows = 0;
        RepTemp.clear();
        TEST_resetSite();
    }
    QString previous_ = QDir::currentPath();
};


using SettingsFoldersTest = SiteTest;

TEST_F(SettingsFoldersTest, WithoutAnyOlderSetupGeneratesOneBaseWithTheDefaultsAndTellsOfTheClassicLookOnce)
{
    Frm_Main().Caption = "Quillon";
    classicLook();
    EXPECT_EQ(DetermineDossierConfig(1), siteFile);
    DetermineDossierConfig(2);
    const QString systeme = "C:\\Program Files\\QN3\\Config\\QN3_Systeme.ini";
    expectRows({
        { siteFile, "Site", "Lib", "Nom de la radio" },
        { siteFile, "Site", "NbBase", "1" },
        { siteFile, "Base_01", "Dossier_Config_Global", "C:\\Program Files\\QN3\\Config\\" },
        { systeme, "Base_01", "NbStation", "1" },
        { systeme, "Base_01", "Dossier_Local", "" },
        { systeme, "Base_01", "Dossier_Data", "C:\\BTRieve\\Data\\" },
        { siteFile, "ThemeWindows", "Msg", "1" },
    });
    // "Config\" of a first start is the program's, not the current folder's.
    EXPECT_FALSE(QFileInfo::exists(host("C:\\Work\\Config")));
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].title, "Quillon");
    EXPECT_EQ(user.messageBoxes[0].style, msgbox::Information);
    EXPECT_TRUE(user.messageBoxes[0].text.startsWith("Le poste utilise le style 'Windows standard'\r\n\r\nPour une"));
}

TEST_F(SettingsFoldersTest, AFreshPrefixHasTheThemeOnAndIsToldNothing)
{
    DetermineDossierConfig(1);
    EXPECT_TRUE(user.messageBoxes.empty());
    EXPECT_EQ(read(siteFile, "ThemeWindows", "Msg"), "<none>");
}

TEST_F(SettingsFoldersTest, ThreeOlderBasesGiveTheirNamesFoldersAndSoundSlots)
{
    ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=3\nBase_01=Alpha\n"
                              "Ini_Base_01=C:\\B1\nIni_Base_02=C:\\B2\\\nIni_Base_03=C:\\B3\\\n");
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

TEST_F(SettingsFoldersTest, AnOversizedBaseCountStopsAtTheSuitesLimitAndAnExistingSiteFileIsNeverRegenerated)
{
    ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=500\n");
    DetermineDossierConfig(1);
    EXPECT_EQ(read(siteFile, "Site", "NbBase"), "20");
    EXPECT_EQ(read(siteFile, "Base_21", "Dossier_Config_Global"), "<none>");

    ini(siteFile, "[Site]\nNbBase=2\n[ThemeWindows]\nMsg=1\n");
    ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=3\n");
    user.messageBoxes.clear();
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
    ini(siteFile, "[Site]\nDossier_Config_Global=C:\\Choisie\n[Base_02]\nDossier_Config_Global=C:\\Deux\n"
                  "[Base_03]\nDossier_Config_Global= \n");
    const bool oui = true, non = false;
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 2, oui), "C:\\Deux\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 2, non), "C:\\Choisie\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 3, oui), "C:\\Choisie\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 4, oui), "C:\\Sonvarek\\Quillon\\Config\\");
    EXPECT_EQ(DetermineDossierConfig_Fichier(siteFile, 2), "C:\\Choisie\\");
    ini(siteFile, "[Base_02]\nDossier_Config_Global=C:\\Deux\n[Base_03]\nDossier_Config_Global=Config\n");
    EXPECT_EQ(DetermineDossierConfig_Fichier(siteFile, 5), "C:\\Program Files\\QN3\\Config\\");
    // A folder written without its drive lies below the program, whatever the current folder.
    EXPECT_EQ(DetermineDossierConfig_Fichier(siteFile, 3), "C:\\Program Files\\QN3\\Config\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 3, oui), "C:\\Program Files\\QN3\\Config\\");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(siteFile, 2, oui), "C:\\Deux\\");
}

TEST_F(SettingsFoldersTest, SettingsFoldersAreMadeFirstAndAnOlderLocalFileMovesInOnlyWhenNoneIsThere)
{
    const QString ancien = "C:\\Windows\\QN3_Tools_Vandrel.Ini";
    const QString nouveau = "C:\\Program Files\\QN3\\Settings\\QN3_Tools_Vandrel\\QN3_Tools_Vandrel.Ini";
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

struct SiteInitTest : SiteTest {
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
    user.messageBoxAnswers = { msgbox::AnswerNo }; // the database question
    EXPECT_FALSE(start());
    for (const char* folder : { "C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\", "C:\\AudioLog\\Pub\\", "C:\\BTRieve\\Data\\",
             "C:\\Sonvarek\\Quillon\\Settings\\_Local\\", "C:\\QN_Data\\_Bkp\\", "C:\\QN_Sons\\Musique\\",
             "C:\\QN_Sons\\Autre\\" })
        EXPECT_TRUE(isFolder(folder)) << folder;
    EXPECT_EQ(ParametresBase[0].Lib, "Nom de la radio");
    EXPECT_EQ(ParametresBase[0].Stations[0].Lib, "Station 01");
    EXPECT_TRUE(traceText().contains("Dossier_Redist: \n"));
}

TEST_F(SiteInitTest, SiteFilesOfNoUseAreSaidInTheLogAndTheDefaultsServe)
{
    QDir().mkpath(host(siteFile));
    const QString systeme = "C:\\Sonvarek\\Quillon\\Config\\QN3_Systeme.ini";
    writeFile(systeme, "[Base_01]\r\nDossier_Data=C:\\Data\\\r\n");
    QFile grand(host(systeme));
    ASSERT_TRUE(grand.resize(65 * 1024 * 1024)); // sparse: no disk is spent
    user.messageBoxAnswer = msgbox::AnswerNo;
    EXPECT_FALSE(start());
    EXPECT_EQ(ParametresBase[0].Dossier_Data, "C:\\QN_Data\\");
    const QString text = traceText();
    for (const QString& ignored : {siteFile + " (c'est un dossier)", systeme + " (plus de 67108864 octets)"})
        EXPECT_TRUE(text.contains("Fichier ignoré, réglages par défaut: " + ignored + '\n')) << text.toStdString();
    EXPECT_EQ(Frm_Main().CheckIncidents0.Value(), 1);
}

TEST_F(SiteInitTest, TheChosenBaseIsRememberedAndReadAsTheFirstBase)
{
    ini(siteFile, "[Site]\nNbBase=3\nDossier_Config_Global=C:\\B2\\\n[ThemeWindows]\nMsg=1\n"
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
    EXPECT_EQ(NoBaseEnCours, 3);
    EXPECT_EQ(DossierConfigBase[0], "C:\\B3\\");
    EXPECT_EQ(ParametresBase[0].Dossier_Data, "C:\\D3\\");
}

// The base in use is found whether the site's folder and the base's are written with their drive or without,
// below the program's folder; a choice given up leaves what the start traced in the default log folder.
TEST_F(SiteInitTest, TheBaseInUseIsPreselectedHoweverWrittenAndAChoiceGivenUpLogsToTheDefaultFolder)
{
    const std::tuple<const char*, const char*, int16_t> rows[] = {
        // site's folder, second base's, preselected
        { "C:\\B2\\", "C:\\B2", 1 },
        { "Bases\\B2", "Bases\\B2\\", 1 },
        { "C:\\Program Files\\QN3\\Bases\\B2\\", "Bases\\B2", 1 },
        { "Bases\\B2", "C:\\Program Files\\QN3\\Bases\\B2", 1 },
        { "C:\\Ailleurs\\", "C:\\B2", 0 },
    };
    user.baseAnswer = -1;
    for (const auto& [site, base2, preselected] : rows) {
        SCOPED_TRACE(site);
        TEST_resetSite();
        ini(siteFile,
            QStringLiteral("[Site]\nNbBase=3\nDossier_Config_Global=%1\n[ThemeWindows]\nMsg=1\n"
                           "[Base_01]\nDossier_Config_Global=C:\\B1\\\n[Base_02]\nDossier_Config_Global=%2\n"
                           "[Base_03]\nDossier_Config_Global=C:\\B3\\\n")
                .arg(site, base2));
        user.baseRequests.clear();
        RepLogs.clear();
        TraceLog(-1, -1, -1, site, false, true);
        EXPECT_TRUE(start());
        EXPECT_EQ(RepLogs, "C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\");
        EXPECT_TRUE(QString::fromLatin1(readFile(RepLogs + todayLogName())).contains(site));
        ASSERT_EQ(user.baseRequests.size(), 1u);
        EXPECT_EQ(user.baseRequests[0].preselected, preselected);
    }
}

TEST_F(SiteInitTest, AChosenBaseWithoutTheFirstBasesSectionIsReadUnderItsOwn)
{
    ini(siteFile, "[Site]\nNbBase=3\n[ThemeWindows]\nMsg=1\n[Base_01]\nDossier_Config_Global=C:\\B1\\\n"
                  "[Base_02]\nDossier_Config_Global=C:\\B2\\\n[Base_03]\nDossier_Config_Global=C:\\B3\\\n");
    const QString trois = "C:\\B3\\QN3_Systeme.ini";
    ini(trois, "[Base_03]\nNbStation=2\nDossier_Log=C:\\Log3\nDossier_Data=C:\\D3\n"
               "[Base_03_Station_02]\nLib=Trois-Sud\nActif=1\n[Base_03_Sounds_Folders]\nMus_01=1:C:\\Sons3\n"
               "[Base_03_Settings_Folders]\nBackup=C:\\Bkp3\n");
    writeFile("C:\\Trouvee\\FRAD000.bt6", "db");
    user.baseAnswer = 2;
    user.messageBoxAnswers = { msgbox::AnswerYes };
    user.folderAnswers = { "C:\\Trouvee\\" };
    EXPECT_FALSE(start());
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_TRUE(user.messageBoxes[0].text.contains("pour la base: Base 3\r\n\r\nFichier 'C:\\D3\\FRAD000.bt6'"));
    const DescriptionBase& base = ParametresBase[0];
    EXPECT_EQ(base.Dossier_Histo, "C:\\Log3\\Histo_QN3_Tools_Vandrel\\");
    EXPECT_EQ(base.Stations[1].Lib, "Trois-Sud");
    EXPECT_EQ(base.Sons[0].Dossier[0], "C:\\Sons3\\");
    EXPECT_EQ(base.Backup, "C:\\Bkp3\\");
    // The folder found by hand goes back where it was read.
    expectRows({ { trois, "Base_03", "Dossier_Data", "C:\\Trouvee\\" },
        { trois, "Base_01", "Dossier_Data", "<none>" } });
}

TEST_F(SiteInitTest, ABaseWithoutFolderIsNotListedTheChoiceNamesTheRightBaseAndGivingUpEndsTheProgramFirst)
{
    ini(siteFile, "[Site]\nNbBase=3\n[ThemeWindows]\nMsg=1\n[Base_01]\nDossier_Config_Global=C:\\B1\\\n"
                  "[Base_02]\nDossier_Config_Global= \n[Base_03]\nDossier_Config_Global=C:\\B3\\\n");
    user.baseAnswer = -1;
    EXPECT_TRUE(start());
    EXPECT_EQ(user.endRequests, 1);
    EXPECT_FALSE(isFolder("C:\\Sonvarek\\Quillon\\Settings\\_Local\\")); // no base was read
    EXPECT_EQ(user.baseRequests.at(0).names, QStringList({ "Base 01", "Base 03" }));

    TEST_resetSite();
    user.baseAnswer = 1;
    user.messageBoxAnswer = msgbox::AnswerNo;
    EXPECT_FALSE(start());
    EXPECT_EQ(read(siteFile, "Site", "NoBase"), "3");
    EXPECT_EQ(DossierConfigBase[0], "C:\\B3\\");
}

TEST_F(SiteInitTest, DatabaseQuestionAnswers)
{
    using msgbox::AnswerCancel, msgbox::AnswerNo, msgbox::AnswerYes;
    const struct {
        const char* name;
        std::deque<int32_t> answers;
        std::deque<QString> folders;
        QString dataInMemory, dataInFile;
        bool arret;
    } cases[] = { // each answer scripted is one question asked
        {"no", {AnswerNo}, {}, "C:\\Vide\\", "C:\\Vide", false},
        {"wrong then right", {AnswerYes, AnswerYes}, {"C:\\Autre\\", "C:\\Data\\"}, "C:\\Data\\", "C:\\Data\\", false},
        {"dialog cancelled, then no", {AnswerYes, AnswerNo}, {}, "C:\\Vide\\", "C:\\Vide", false},
        {"cancel", {AnswerCancel}, {}, "C:\\Vide\\", "C:\\Vide", true},
    };
    for (const auto& c : cases) {
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
        ASSERT_EQ(user.messageBoxes.size(), c.answers.size());
        EXPECT_EQ(user.messageBoxes[0].style, msgbox::YesNoCancel | msgbox::Question);
        EXPECT_TRUE(user.messageBoxes[0].text.startsWith("Impossible de trouver la base de données pour la base: "
                                                         "Radio\r\n\r\nFichier 'C:\\Vide\\FRAD000.bt6' non trouvé"));
        EXPECT_TRUE(user.folderRequests.empty() || user.folderRequests[0].startFolder == "C:\\Vide");
        EXPECT_EQ(ParametresBase[0].Dossier_Data, c.dataInMemory);
        EXPECT_EQ(read(systeme, "Base_01", "Dossier_Data"), c.dataInFile);
        EXPECT_EQ(ParametresBase[0].Backup.isEmpty(), c.arret); // nothing after a cancel
    }
}

// A start that stops before the settings window has named the log folder leaves what it traced in the base's
// history folder once read.
TEST_F(SiteInitTest, AStartThatStopsAtTheDatabaseQuestionLeavesItsTraceInTheBasesLogFolder)
{
    RepLogs.clear();
    oneBase();
    ini(systeme, "[Base_01]\nDossier_Log=C:\\Log1\nDossier_Data=C:\\Vide\n");
    user.messageBoxAnswers = { msgbox::AnswerCancel };
    TraceLog(-1, -1, -1, "Démarrage", false, true);
    EXPECT_TRUE(start());
    EXPECT_EQ(RepLogs, "C:\\Log1\\Histo_QN3_Tools_Vandrel\\");
    const QString base = QString::fromLatin1(readFile(RepLogs + todayLogName()));
    const qsizetype depart = base.indexOf("Démarrage"), donnees = base.indexOf("Data_Folder: C:\\Vide\\");
    EXPECT_TRUE(depart > 0 && donnees > depart) << base.toStdString();
    EXPECT_EQ(base.count("Data_Folder:"), 1);
    EXPECT_TRUE(traced().isEmpty());
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
