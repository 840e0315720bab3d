#include "platform/restart.h"
#include "platform/runtime_error.h"
#include "services/error_routine.h"
#include "services/shared_values.h"
#include "services/trap.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QFile>

#include <stdexcept>
#include <sys/stat.h>

namespace qn3::services {
namespace {

struct ErrorRoutineTest : testing::ServicesTest {
    // Reports a failure from `where` on a fresh log; gives the texts logged.
    QStringList report(int32_t number, const QString& description, const QString& where = "M:P") const
    {
        Frm_Main().ListeLogTemp.Clear();
        InfoErreur = {number, 7, description, "Component"};
        GestionDesErreurs(where);
        return traced();
    }
    const QString shortcut = "C:\\users\\" + qEnvironmentVariable("USER", "user")
        + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\Quillon - Tools Vandrel.lnk";
    // The start-up shortcut's desktop entry, "" when there is none.
    QString shortcutEntry() const { return QString::fromUtf8(readFile(shortcut)); }
};

TEST_F(ErrorRoutineTest, ReportsTheFailureFramedByRulesAsAnIncidentUnlessItsCodeIsZeroOrTheMainWindowUnloads)
{
    const QString text = "Err:53 (File not found)  Source:Lib_Public:D2S:7";
    const QString rule(text.size(), u'=');
    EXPECT_EQ(report(53, "File not found", "Lib_Public:D2S"), QStringList({rule, text, rule}));
    ASSERT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(Frm_Main().ListeIncidents0.List(0).endsWith(text));
    EXPECT_EQ(Frm_Main().CheckIncidents0.Value(), 1);

    EXPECT_TRUE(report(0, "nothing").isEmpty());
    EXPECT_EQ(report(5, "x").size(), 3); // code zero left the routine free
    FermetureEnCours = true;
    EXPECT_TRUE(report(5, "late").isEmpty());
}

TEST_F(ErrorRoutineTest, ComponentCodesAreReducedAndNamedTheirSource)
{
    EXPECT_EQ(report(int32_t(0x80040005u), "bad").value(1), "Err:5 (bad)  Source:M:P:7 (Source: Component)");
    EXPECT_EQ(report(int32_t(0x80040000u), "edge").value(1), "Err:-2147221504 (edge)  Source:M:P:7");
    EXPECT_EQ(report(int32_t(0x8004FFFFu), "edge").value(1), "Err:-2147155969 (edge)  Source:M:P:7");
}

TEST_F(ErrorRoutineTest, LongDescriptionsBreakAtSentencesAndLineFeedsBecomeBlanks)
{
    const QString hundred = "One. Two" + QString(92, u'x');
    EXPECT_EQ(report(5, hundred, QString()).value(1), "Err:5 (" + hundred + u')');
    EXPECT_EQ(report(5, hundred + u'y', "  ").value(1), "Err:5 (One  Two" + QString(92, u'x') + "y)");
    EXPECT_EQ(report(5, "a\nb", QString()).value(1), "Err:5 (a b)");
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
    EXPECT_EQ(report(5, "first").size(), 3);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
}

TEST_F(ErrorRoutineTest, TrapFillsTheRecordAndGoesOnWithTheNextStep)
{
    Trap trap(u"Lib_Test:Proc");
    trap.setDetail([] { return QString(" |Value: 9"); });
    bool secondRan = false;
    EXPECT_FALSE(trap(12, [] { throw platform::RuntimeError(76, "Path not found", "Disk"); }));
    EXPECT_TRUE(trap([&] { secondRan = true; }));
    EXPECT_TRUE(secondRan);
    EXPECT_EQ(std::tuple(InfoErreur.Numero, InfoErreur.Ligne, InfoErreur.Source), std::tuple(76, 12, QString("Disk")));
    EXPECT_EQ(traced().value(1), "Err:76 (Path not found)  Source:Lib_Test:Proc |Value: 9:12");
}

TEST_F(ErrorRoutineTest, AutomationDisconnectionLeavesAStartUpShortcutAndRestarts)
{
    const QStringList logged
        = report(kAutomationDisconnected, "The object invoked has disconnected from its clients.", "Frm_Main:Timer");
    ASSERT_EQ(logged.size(), 6);
    EXPECT_TRUE(logged[1].startsWith("Err:-2147417848 ("));
    EXPECT_EQ(logged[4], "Reboot the Computer because of Automation Error, ");
    ASSERT_EQ(restart.requests.size(), 1u);
    EXPECT_EQ(restart.requests[0], platform::exitflags::Reboot | platform::exitflags::Force);

    // Exec and Path are checked further down, on a folder whose name needs escaping.
    const QString entry = shortcutEntry();
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("Icon=" + host("C:\\Program Files\\QN3") + "/QN3_Tools_Vandrel\n"));
    EXPECT_TRUE(entry.contains("Comment=Lancer le Tools Vandrel Quillon\n"));
}

TEST_F(ErrorRoutineTest, TheShortcutKeepsAPercentSignLiteralClampsTheWaitInPlaceAndFalseRemovesIt)
{
    // In a desktop entry's command a lone "%" starts a field code.
    RepApplication = "C:\\Prog 100%\\";
    int32_t wait = 10000;
    CreateShortCutStartUp(true, wait, "Test");
    const QString entry = shortcutEntry();
    EXPECT_TRUE(entry.contains("Exec=\"" + host("C:\\Prog 100%%") + "/QN3_Tools_Vandrel\" /Wait=10000\n"))
        << qPrintable(entry);
    EXPECT_TRUE(entry.contains("Path=" + host("C:\\Prog 100%") + u'\n'));

    for (const auto& [asked, kept] : {std::pair{500, 1000}, {500000, 120000}}) {
        wait = asked;
        CreateShortCutStartUp(true, wait, "Test");
        EXPECT_EQ(wait, kept);
        EXPECT_TRUE(shortcutEntry().contains(" /Wait=" + QString::number(kept) + u'\n'));
    }
    CreateShortCutStartUp(false, wait, "Test");
    EXPECT_FALSE(QFile::exists(host(shortcut)));
    CreateShortCutStartUp(false, wait, "Test"); // absent: nothing to do, nothing reported
    EXPECT_TRUE(traced().isEmpty());

    // A FIFO at the shortcut's name is reported, never opened nor written over.
    const QByteArray fifo = QFile::encodeName(host(shortcut));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    CreateShortCutStartUp(true, wait, "Test");
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(traced().isEmpty());
}

} // namespace
} // namespace qn3::services
