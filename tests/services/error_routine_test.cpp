#include "platform/restart.h"
#include "platform/runtime_error.h"
#include "services/error_routine.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <stdexcept>

namespace qn3::services {
namespace {

class ErrorRoutineTest : public testing::ServicesTest {
protected:
    void fail(int32_t number, const QString& description, const QString& source = QStringLiteral("Component"))
    {
        InfoErreur = {number, 7, description, source};
    }
    // The texts logged so far, without their 20-character prefixes.
    QStringList texts() const
    {
        QStringList result;
        for (const QString& line : Frm_Main().ListeLogTemp.lines())
            result.append(line.mid(20));
        return result;
    }
    const ListBox& incidents() const { return Frm_Main().ListeIncidents0; }
    // The start-up shortcut's desktop entry, "" when there is none.
    QString shortcutEntry() const
    {
        QFile file(shortcutPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString shortcutPath() const
    {
        return prefix.driveC() + QStringLiteral("/users/") + qEnvironmentVariable("USER", QStringLiteral("user"))
            + QStringLiteral("/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Startup/Quillon - Tools Vandrel.lnk");
    }
};

TEST_F(ErrorRoutineTest, ReportsTheFailureFramedByRulesAsAnIncident)
{
    fail(53, QStringLiteral("File not found"));
    GestionDesErreurs(QStringLiteral("Lib_Public:D2S"));
    const QString text = QStringLiteral("Err:53 (File not found)  Source:Lib_Public:D2S:7");
    EXPECT_EQ(texts(), QStringList({QString(text.size(), u'='), text, QString(text.size(), u'=')}));
    ASSERT_EQ(incidents().ListCount(), 1);
    EXPECT_TRUE(incidents().List(0).endsWith(text));
    EXPECT_EQ(Frm_Main().CheckIncidents0.Value(), 1);
}

TEST_F(ErrorRoutineTest, CodeZeroLogsNothingAndLeavesTheRoutineFree)
{
    fail(0, QStringLiteral("nothing"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_TRUE(texts().isEmpty());
    fail(5, QStringLiteral("x"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_EQ(texts().size(), 3);
}

TEST_F(ErrorRoutineTest, ComponentCodesAreReducedAndNamedTheirSource)
{
    fail(static_cast<int32_t>(0x80040005u), QStringLiteral("bad"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:5 (bad)  Source:M:P:7 (Source: Component)"));

    Frm_Main().ListeLogTemp.Clear();
    fail(static_cast<int32_t>(0x80040000u), QStringLiteral("edge"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:-2147221504 (edge)  Source:M:P:7"));

    Frm_Main().ListeLogTemp.Clear();
    fail(static_cast<int32_t>(0x8004FFFFu), QStringLiteral("edge"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:-2147155969 (edge)  Source:M:P:7"));
}

TEST_F(ErrorRoutineTest, LongDescriptionsBreakAtSentencesAndLineFeedsBecomeBlanks)
{
    const QString hundred = QStringLiteral("One. Two") + QString(92, u'x');
    ASSERT_EQ(hundred.size(), 100);
    fail(5, hundred);
    GestionDesErreurs(QString());
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:5 (") + hundred + u')');

    Frm_Main().ListeLogTemp.Clear();
    fail(5, hundred + u'y');
    GestionDesErreurs(QStringLiteral("  "));
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:5 (One  Two") + QString(92, u'x') + QStringLiteral("y)"));

    Frm_Main().ListeLogTemp.Clear();
    fail(5, QStringLiteral("a\nb"));
    GestionDesErreurs(QString());
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:5 (a b)"));
}

TEST_F(ErrorRoutineTest, StaysSilentOnceTheMainWindowUnloads)
{
    FermetureEnCours = true;
    fail(5, QStringLiteral("late"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_TRUE(texts().isEmpty());
}

TEST_F(ErrorRoutineTest, AFailureWhileReportingIsDropped)
{
    // The alert's handler fails while the first report is being logged.
    int reports = 0;
    Frm_Main().CheckIncidents0.setClickHandler([&] {
        ++reports;
        Trap trap(u"Frm_Main:CheckIncidents_Click");
        trap([] { throw std::runtime_error("alert failed"); });
    });
    fail(5, QStringLiteral("first"));
    GestionDesErreurs(QStringLiteral("M:P"));
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(incidents().ListCount(), 1);
    EXPECT_EQ(texts().size(), 3);
}

TEST_F(ErrorRoutineTest, TrapFillsTheRecordAndGoesOnWithTheNextStep)
{
    Trap trap(u"Lib_Test:Proc");
    trap.setDetail([] { return QStringLiteral(" |Value: 9"); });
    bool secondRan = false;
    EXPECT_FALSE(trap(12, [] { throw platform::RuntimeError(76, QStringLiteral("Path not found"), QStringLiteral("Disk")); }));
    EXPECT_TRUE(trap([&] { secondRan = true; }));
    EXPECT_TRUE(secondRan);
    EXPECT_EQ(InfoErreur.Numero, 76);
    EXPECT_EQ(InfoErreur.Ligne, 12);
    EXPECT_EQ(InfoErreur.Source, QStringLiteral("Disk"));
    EXPECT_EQ(texts().value(1), QStringLiteral("Err:76 (Path not found)  Source:Lib_Test:Proc |Value: 9:12"));
}

TEST_F(ErrorRoutineTest, AutomationDisconnectionLeavesAStartUpShortcutAndRestarts)
{
    fail(kAutomationDisconnected, QStringLiteral("The object invoked has disconnected from its clients."));
    GestionDesErreurs(QStringLiteral("Frm_Main:Timer"));

    const QStringList logged = texts();
    ASSERT_EQ(logged.size(), 6);
    EXPECT_TRUE(logged[1].startsWith(QStringLiteral("Err:-2147417848 (")));
    EXPECT_EQ(logged[4], QStringLiteral("Reboot the Computer because of Automation Error, "));
    ASSERT_EQ(restart.requests.size(), 1u);
    EXPECT_EQ(restart.requests[0], platform::exitflags::Reboot | platform::exitflags::Force);

    const QString entry = shortcutEntry();
    const QString programFolder = host(QStringLiteral("C:\\Program Files\\QN3"));
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=\"") + programFolder + QStringLiteral("/QN3_Tools_Vandrel\" /Wait=10000\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Path=") + programFolder + u'\n'));
    EXPECT_TRUE(entry.contains(QStringLiteral("Icon=") + programFolder + QStringLiteral("/QN3_Tools_Vandrel\n")));
    EXPECT_TRUE(entry.contains(QStringLiteral("Comment=Lancer le Tools Vandrel Quillon\n")));
}

TEST_F(ErrorRoutineTest, AProgramFolderWithAPercentSignStaysLiteralInTheShortcut)
{
    // In a desktop entry's command a lone "%" starts a field code.
    RepApplication = QStringLiteral("C:\\Prog 100%\\");
    int32_t wait = 10000;
    CreateShortCutStartUp(true, wait, QStringLiteral("Test"));
    const QString entry = shortcutEntry();
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=\"") + host(QStringLiteral("C:\\Prog 100%%")) + QStringLiteral("/QN3_Tools_Vandrel\" /Wait=10000\n")))
        << qPrintable(entry);
    EXPECT_TRUE(entry.contains(QStringLiteral("Path=") + host(QStringLiteral("C:\\Prog 100%")) + u'\n'));
}

TEST_F(ErrorRoutineTest, ShortcutWaitIsClampedInPlaceAndFalseRemovesIt)
{
    int32_t wait = 500;
    CreateShortCutStartUp(true, wait, QStringLiteral("Test"));
    EXPECT_EQ(wait, 1000);
    EXPECT_TRUE(shortcutEntry().contains(QStringLiteral(" /Wait=1000\n")));

    wait = 500000;
    CreateShortCutStartUp(true, wait, QStringLiteral("Test"));
    EXPECT_EQ(wait, 120000);
    EXPECT_TRUE(shortcutEntry().contains(QStringLiteral(" /Wait=120000\n")));

    CreateShortCutStartUp(false, wait, QStringLiteral("Test"));
    EXPECT_FALSE(QFile::exists(shortcutPath()));
    CreateShortCutStartUp(false, wait, QStringLiteral("Test")); // absent: nothing to do, nothing reported
    EXPECT_TRUE(texts().isEmpty());
}

} // namespace
} // namespace qn3::services
