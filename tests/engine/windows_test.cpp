#include "engine/frm_main.h"
#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class EngineWindows : public qn3::testing::ServicesTest {
protected:
    ~EngineWindows() override
    {
        engine::FrmSetup::unload();
        engine::FrmMain::destroyInstance();
    }
};

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
