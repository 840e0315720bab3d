#include "engine/frm_main.h"
#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "engine/program_icon.h"
#include "engine/startup.h"
#include "engine/startup_phases.h"
#include "engine/suite_settings.h"
#include "platform/registry_store.h"
#include "platform/windows_path.h"
#include "services/os_facts.h"
#include "services/registry_access.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/window_members.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/file_open_dialog.h"
#include "windows/frm_msg.h"
#include "windows/look.h"
#include "windows/qt_user_interaction.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class EngineWindows : public qn3::testing::ServicesTest {
protected:
    ~EngineWindows() override
    {
        services::Frm_Main().SkinFramework.setDresser(nullptr);
        engine::FrmSetup::unload();
        windows::FrmMsg::destroyInstance();
        engine::AttenteAffichee = false;
        engine::FrmMain::destroyInstance();
    }

    // Loads the settings window on a site whose base file is C:\B3\QN3_Systeme.ini.
    void loadSetup(const QByteArray& site, const QByteArray& base) const
    {
        engine::FrmSetup::unload();
        writeFile("C:\\Program Files\\QN3\\Settings\\QN3_Config.ini",
                  "[Site]\n" + site + "Dossier_Config_Global=C:\\B3\\\n[ThemeWindows]\nMsg=1\n");
        writeFile("C:\\B3\\QN3_Systeme.ini", base);
        engine::FrmSetup::instance();
    }

    // The phase the wait window shows, checked whole in its label.
    static QString shownPhase()
    {
        const QLabel* label = windows::FrmMsg::instance().LabelMsgInit;
        EXPECT_TRUE(label->isVisible());
        EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()))
            << label->text().toStdString();
        return label->text();
    }
};

QImage painted(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST_F(EngineWindows, IncidentTicksTheAlertUntilTheUserAcknowledgesIt)
{
    services::Frm_Main().Caption = QStringLiteral("Quillon: Tools VANDREL - 1.0");
    engine::FrmMain& window = engine::FrmMain::instance();
    window.show();
    EXPECT_EQ(window.windowTitle(), "Quillon: Tools VANDREL - 1.0");

    auto* check = window.findChild<QCheckBox*>("CheckIncidents");
    auto* label = window.findChild<QLabel*>("LabelIncidents");
    auto* timer = window.findChild<QTimer*>("TimerIncidents");
    auto* list = window.findChild<QListView*>("ListeIncidents");
    ASSERT_TRUE(check && label && timer && list);
    EXPECT_FALSE(check->isChecked());

    services::TraceLog(-1, -1, -1, QStringLiteral("Err: the partner folder is missing"), true, true);
    EXPECT_TRUE(check->isChecked());
    EXPECT_TRUE(timer->isActive());
    EXPECT_FALSE(label->text().isEmpty());
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(list->model()->index(0, 0).data().toString().endsWith(u"Err: the partner folder is missing"));
    qn3::testing::saveScreenshot(&window, QStringLiteral("Frm_Main"));

    check->setChecked(false);
    EXPECT_EQ(services::Frm_Main().CheckIncidents0.Value(), 0);
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(label->text().isEmpty());
}

TEST_F(EngineWindows, LoadingTheSettingsWindowTakesTheBufferAndUnloadingWritesIt)
{
    // Without a site the log goes to the default folder, made on loading.
    services::RepLogs.clear();
    services::TraceLog(-1, -1, -1, QStringLiteral("before the settings"), false, true);
    engine::FrmSetup::instance();
    EXPECT_TRUE(services::SetupCharge);
    services::TraceLog(-1, -1, -1, QStringLiteral("after the settings"), false, true);
    engine::FrmSetup::unload();
    EXPECT_FALSE(services::SetupCharge);
    EXPECT_EQ(services::FrmSetup().ListeLog.ListCount(), 0);
    QFile day(prefix.driveC() + QStringLiteral("/AudioLog/Histo_QN3_Tools_Vandrel/") + todayLogName());
    ASSERT_TRUE(day.open(QIODevice::ReadOnly));
    const QByteArray content = day.readAll();
    EXPECT_LT(content.indexOf("before the settings"), content.indexOf("after the settings"));
    EXPECT_GE(content.indexOf("before the settings"), 0);
}

TEST_F(EngineWindows, EachLogMenuEntryOffersTodaysFileOfItsFolder)
{
    engine::FrmMain& window = engine::FrmMain::instance();
    services::RepLogs = QStringLiteral("C:\\Logs\\");
    engine::RepLogPub[0] = QStringLiteral("C:\\AudioLog\\Pub\\");
    window.DossierExport = QStringLiteral("C:\\Export\\");
    const QString day = todayLogName().chopped(4);
    const std::pair<const char*, QString> entries[] = {
        {"MnuLogTrace", QStringLiteral("C:\\Logs\\") + day + QStringLiteral(".Log")},
        {"MnuLogPub", QStringLiteral("C:\\AudioLog\\Pub\\") + day + QStringLiteral(".Log")},
        {"MnuLogExport", QStringLiteral("C:\\Export\\") + day + QStringLiteral("_QN3_Export_Vandrel.Log")}};
    for (const auto& [name, file] : entries) {
        user.lastRequest.reset();
        auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
        ASSERT_TRUE(user.lastRequest.has_value()) << name;
        EXPECT_EQ(user.lastRequest->fileName, file);
        EXPECT_EQ(user.lastRequest->filter, QStringLiteral("Logs|*.log"));
    }
}

// Under every style the incidents list shows when it has the keyboard, and which of its entries is the current one.
TEST_F(EngineWindows, TheIncidentsListShowsItsFocusAndCurrentEntryUnderEveryStyle)
{
    engine::FrmMain& window = engine::FrmMain::instance();
    for (int i = 0; i < 3; ++i)
        services::TraceLog(-1, -1, -1, QStringLiteral("Err: incident %1").arg(i), true, true);
    auto* list = window.findChild<QListView*>(QStringLiteral("ListeIncidents"));
    auto* check = window.findChild<QCheckBox*>(QStringLiteral("CheckIncidents"));
    ASSERT_TRUE(list && check);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    for (int32_t style = 0; style <= 20; ++style) {
        SCOPED_TRACE(::testing::Message() << "style " << style);
        const qn3::testing::Skinned skin(style);
        windows::LookFenetre(&window, 1);
        list->clearSelection();
        check->setFocus();
        const QImage away = list->grab().toImage();
        list->setFocus();
        ASSERT_TRUE(list->hasFocus());
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
        const QImage focused = list->grab().toImage();
        EXPECT_GE(qn3::testing::markShare(away, focused), qn3::testing::kSeen) << "focused list";
        const QModelIndex second = list->model()->index(1, 0);
        list->selectionModel()->setCurrentIndex(second, QItemSelectionModel::NoUpdate);
        const QRect row = list->visualRect(second).translated(list->viewport()->pos());
        EXPECT_GE(qn3::testing::markShare(focused.copy(row), list->grab().toImage().copy(row)), qn3::testing::kSeen)
            << "current entry";
    }
}

// The entry shows the French open-file dialog on the log folder with today's name; the file chosen there is
// opened, a cancelled dialog opens nothing.
TEST_F(EngineWindows, TheTraceEntryOpensTheFileChosenInTheFrenchDialog)
{
    engine::FrmMain& window = engine::FrmMain::instance();
    window.show();
    loadSettings();
    // Yesterday's: the viewer's batch purges older days.
    const QString yesterday = clock.now.addDays(-1).toString(u"yyyyMMdd") + QStringLiteral(".Log");
    writeFile(services::RepLogs + yesterday, "ligne\r\n");
    windows::QtUserInteraction questions(&window);
    const platform::ScopedInstall<services::UserInteraction> onScreen(questions);
    for (const bool cancel : {false, true}) {
        qn3::testing::whenWaiting([&] {
            auto* dialog = qn3::testing::modalDialog<windows::FileOpenDialog>();
            ASSERT_NE(dialog, nullptr) << "not the French open-file dialog";
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Ouvrir"));
            EXPECT_EQ(dialog->shownFolder(), QStringLiteral("C:\\Logs"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("EditNomFichier"));
            EXPECT_EQ(name->text(), todayLogName());
            name->setText(yesterday);
            dialog->findChild<QPushButton*>(QString::fromLatin1(cancel ? "CmdAnnuler" : "CmdOuvrir"))->click();
            EXPECT_FALSE(dialog->isVisible()) << "the dialog stayed open";
            if (dialog->isVisible())
                dialog->reject();
        });
        window.findChild<QAction*>(QStringLiteral("MnuLogTrace"))->trigger();
        EXPECT_EQ(opener.opened, QStringList({QStringLiteral("C:\\Logs\\") + yesterday}));
    }
}

TEST_F(EngineWindows, ClosingIsConfirmedThenWritesWhatTheLogHolds)
{
    engine::FrmMain& window = engine::FrmMain::instance();
    window.show();
    engine::FrmSetup::instance();
    const size_t shown = user.messageBoxes.size();
    user.messageBoxAnswer = services::msgbox::AnswerNo;
    EXPECT_FALSE(window.close());
    EXPECT_FALSE(services::FermetureEnCours);
    ASSERT_EQ(user.messageBoxes.size(), shown + 1);
    EXPECT_EQ(user.messageBoxes.back().text, QStringLiteral("Voulez-vous quitter le programme ?"));

    user.messageBoxAnswer = services::msgbox::AnswerYes;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(services::FermetureEnCours);
    EXPECT_FALSE(services::SetupCharge);
    EXPECT_TRUE(readLog(todayLogName()).contains("Fermeture du programme demand\xE9" "e par l'utilisateur"));
}

TEST_F(EngineWindows, TheSettingsWindowTakesTheBaseFoldersAndStationsFromTheSite)
{
    writeFile(QStringLiteral("C:\\Program Files\\QN3\\Settings\\QN3_Config.ini"),
              "[Site]\nDossier_Config_Global=C:\\Cfg\n[ThemeWindows]\nMsg=1\n");
    writeFile(QStringLiteral("C:\\Cfg\\QN3_Systeme.ini"),
              "[Base_01]\nDossier_Data=C:\\Data\nDossier_Log=C:\\Journal\nNbStation=12\n");

    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepConfig[0], QStringLiteral("C:\\Cfg\\"));
    EXPECT_EQ(services::RepBtr[0], QStringLiteral("C:\\Data\\"));
    EXPECT_EQ(services::RepLogs, QStringLiteral("C:\\Journal\\Histo_QN3_Tools_Vandrel\\"));
    EXPECT_EQ(engine::RepLogPub[0], QStringLiteral("C:\\AudioLog\\Pub\\"));
    // A base has at most ten stations.
    EXPECT_EQ(services::PremiereStation[0], 1);
    EXPECT_EQ(services::DerniereStation[0], 10);
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(EngineWindows, TheChosenBaseOfSeveralIsReadUnderItsOwnSectionUnlessItsFileHasTheFirstBases)
{
    services::NoBaseEnCours = 3; // as the start-up keeps the base it chose
    loadSetup("NbBase=3\nNoBase=3\n",
              "[Base_03]\nDossier_Data=C:\\D3\nDossier_Log=C:\\Log3\nDossier_Log_Pub=C:\\Pub3\nNbStation=3\n");
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\D3\\");
    EXPECT_EQ(services::RepLogs.toStdString(), "C:\\Log3\\Histo_QN3_Tools_Vandrel\\");
    EXPECT_EQ(engine::RepLogPub[0].toStdString(), "C:\\Pub3\\");
    EXPECT_EQ(services::DerniereStation[0], 3);
    // A base file copied from a one-base site keeps being read as the first base's.
    loadSetup("NbBase=3\nNoBase=3\n", "[Base_01]\nDossier_Data=C:\\D1\n[Base_03]\nDossier_Data=C:\\D3\n");
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\D1\\");
    // One base: its number in [Site] does not count, the start-up keeps base 1.
    services::TEST_resetSite();
    loadSetup("NbBase=1\nNoBase=3\n", "[Base_03]\nDossier_Data=C:\\D3\n");
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\QN_Data\\");
}

// The record-file and shared folders of the settings and the suite's sound folders
// through this computer's own shares are used through the shares' local folders.
TEST_F(EngineWindows, FoldersThroughThisComputersSharesBecomeTheirLocalFolders)
{
    const QString conf = prefix.path() + QStringLiteral("/smb.conf");
    qputenv("QN3_SMB_CONF", conf.toLocal8Bit());
    writeFile("Z:" + conf, QStringLiteral("[Radio]\npath = %1/Radio\n").arg(prefix.driveC()).toUtf8());
    for (const char* folder : {"/Radio/Data", "/Radio/Partage", "/Radio/Sons/Pub"})
        QDir().mkpath(prefix.driveC() + QLatin1String(folder));
    services::GetVersionExA(services::VersionOS);
    const QString poste = "\\\\" + services::ComputerName() + "\\Radio\\";
    loadSetup({}, ("[Base_01]\nDossier_Data=" + poste + "Data\nDossier_Shared=" + poste + "Partage\\\n").toLatin1());
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\Radio\\Data\\");
    EXPECT_EQ(engine::RepPartage[0].toStdString(), "C:\\Radio\\Partage\\");
    services::RepSons[0][6][0] = poste + "Sons\\Pub\\";
    engine::LocalisationRepSons(0);
    EXPECT_EQ(services::RepSons[0][6][0].toStdString(), "C:\\Radio\\Sons\\Pub\\");
    qunsetenv("QN3_SMB_CONF");
}

TEST_F(EngineWindows, TheLookIsSetUpOnTheMainWindowWithTheSkinsBelowTheProgram)
{
    services::RepApplication.clear();
    services::Frm_Main().hWnd = 0;
    int32_t handedWindow = 0;
    services::Frm_Main().SkinFramework.setDresser(
        [&](const QString&, const QString&) { handedWindow = services::Frm_Main().hWnd; });
    engine::ChargementFenetrePrincipale();
    EXPECT_EQ(services::Frm_Main().SkinFramework.skinsFolder().toStdString(),
              (platform::paths::applicationFolder() + QStringLiteral("Settings\\Skins\\Styles")).toStdString());
    EXPECT_NE(handedWindow, 0);
}

// The program's own picture, not the style's generic computer: a blue rounded square (clear corners) with a
// white Q and amber waves. The main window and its notification-area icon carry it; an incident makes the
// notification-area icon blink until the user acknowledges it.
TEST_F(EngineWindows, TheProgramsOwnIconMarksItAndBlinksInTheNotificationAreaOnAnIncident)
{
    const QImage program = painted(engine::IconeProgramme());
    ASSERT_EQ(program.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(program.pixel(0, 0)), 0);
    const QColor background = program.pixelColor(3, 28);
    EXPECT_GT(background.blue(), background.red() + 60);
    int white = 0, amber = 0;
    for (int i = 0; i < 32 * 32; ++i) {
        const QColor c = program.pixelColor(i % 32, i / 32);
        white += c.red() > 230 && c.green() > 230 && c.blue() > 230;
        amber += c.red() > 200 && c.green() > 150 && c.blue() < 120;
    }
    EXPECT_GT(white, 40);
    EXPECT_GT(amber, 10);
    EXPECT_NE(program, painted(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)));
    program.save(QStringLiteral("screenshots/program_icon.png"));

    engine::FrmMain& window = engine::FrmMain::instance();
    window.show();
    EXPECT_EQ(painted(window.windowIcon()), program);
    auto* tray = window.findChild<QSystemTrayIcon*>(QStringLiteral("IconeVeille"));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(painted(tray->icon()), program);
    services::TraceLog(-1, -1, -1, QStringLiteral("Err: the partner folder is missing"), true, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted(tray->icon()) != program; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted(tray->icon()) == program; }, 3000));
    window.findChild<QCheckBox*>(QStringLiteral("CheckIncidents"))->setChecked(false);
    EXPECT_EQ(painted(tray->icon()), program);
}

// The settings window names its own phases in the wait window while the start-up shows it, and the start-up
// ends on the display phase. Once the start-up is over, loading the settings window again neither writes into
// the wait window nor brings it back.
TEST_F(EngineWindows, TheWaitWindowNamesTheSettingsWindowsPhasesAndTheDisplayOnlyDuringTheStartUp)
{
    windows::FrmMsg::instance().show();
    engine::AttenteAffichee = true;
    engine::FrmSetup::instance();
    EXPECT_EQ(shownPhase(), QStringLiteral("Tools Vandrel: Setup: Init: Folders"));
    qn3::testing::saveScreenshot(&windows::FrmMsg::instance(), QStringLiteral("FrmMsg_setup_phase"));
    engine::PhasesDemarrage().debut(QStringLiteral("Display"));
    EXPECT_EQ(shownPhase(), QStringLiteral("Tools Vandrel: Init: Display"));

    engine::FrmSetup::unload();
    engine::AttenteAffichee = false;
    engine::FrmSetup::instance();
    EXPECT_EQ(windows::FrmMsg::instance().LabelMsgInit->text(), QStringLiteral("Tools Vandrel: Init: Display"));
    engine::FrmSetup::unload();
    windows::FrmMsg::destroyInstance();
    engine::AttenteAffichee = true; // a start-up stopped before unloading it
    engine::FrmSetup::instance();
    EXPECT_FALSE(windows::FrmMsg::exists());
}

// A request to stop (the system closing the main window, as SIGTERM does) is answered whenever the start-up lets
// the window messages run; the start-up ends there. Stopped before the site's folders are read, it reads none and
// logs to the default folder; stopped once they are read (at the database question), it logs to the base's
// history folder.
TEST_F(EngineWindows, AStartUpStoppedOnItsWayEndsThereAndLogsWhereItsSiteSaysOnceRead)
{
    const QString byDefault = QStringLiteral("C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\");
    services::Reg_SetValue(platform::HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                           "ThemeActive", "0", 1); // the classic look, which a new site is told about
    enum When { FirstChance, AtANotice, SiteRead }; // the stop is answered
    const struct {
        const char* name;
        const char* look; // [ThemeWindows] of the site file: without "Msg=1" a new site's notice is asked
        When when;
    } rows[] = {{"as the first phase shows its name", "Msg=1", FirstChance},
                {"at the classic-look notice of the site", "", AtANotice},
                {"at the database question", "Msg=1", SiteRead}};
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString base = QStringLiteral("C:\\Row%1\\").arg(++number);
        const QString histo = base + QStringLiteral("Logs\\Histo_QN3_Tools_Vandrel\\");
        const bool siteRead = row.when == SiteRead;
        engine::FrmMain::destroyInstance();
        services::TEST_resetSite();
        services::FermetureEnCours = false;
        services::RepLogs.clear();
        QFile::remove(host(byDefault + todayLogName()));
        writeFile(services::RepApplication + QStringLiteral("Settings\\QN3_Config.ini"),
                  ("[Base_01]\nDossier_Config_Global=" + base + "\n[ThemeWindows]\n" + row.look + "\n").toLatin1());
        writeFile(base + QStringLiteral("QN3_Systeme.ini"),
                  ("[Base_01]\nDossier_Log=" + base + "Logs\nDossier_Data=" + base + "Data\n").toLatin1());
        const size_t asked = user.messageBoxes.size();
        QTimer system;
        system.setInterval(0);
        QObject::connect(&system, &QTimer::timeout, [&] {
            const bool now = row.when == FirstChance || (row.when == AtANotice && user.messageBoxes.size() > asked)
                || (row.when == SiteRead && !services::ParametresBase[0].Dossier_Histo.isEmpty());
            if (now && !services::FermetureEnCours)
                engine::FrmMain::instance().closeWithoutQuestion();
        });
        system.start();
        user.whileAsked = [] { QCoreApplication::processEvents(); };
        user.messageBoxAnswer = services::msgbox::AnswerCancel; // a box closed with the program
        engine::Demarrage({});
        system.stop();
        services::TraceLogFinDuProgramme(); // as main() does once the event loop has ended

        const QByteArray log = readFile((siteRead ? histo : byDefault) + todayLogName());
        EXPECT_TRUE(log.contains("Fermeture du programme demand\xE9" "e par le syst\xE8me")) << log.toStdString();
        EXPECT_EQ(log.contains("Data_Folder: " + base.toLatin1() + "Data\\"), siteRead) << log.toStdString();
        EXPECT_FALSE(log.contains("Tools Vandrel: Init: Setup")) << log.toStdString();
        EXPECT_FALSE(QFileInfo::exists(host((siteRead ? byDefault : histo) + todayLogName())));
        EXPECT_EQ(QFileInfo::exists(host(base + QStringLiteral("Logs"))), siteRead);
    }
    user.whileAsked = nullptr;
}
