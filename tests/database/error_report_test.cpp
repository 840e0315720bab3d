#include "database/error_report.h"
#include "database_fixture.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QDir>
#include <algorithm>

namespace qn3::testing {
namespace {

using namespace database;
namespace msgbox = services::msgbox;

class ErrorReportTest : public DatabaseTest {
protected:
    // The text of the box shown for StatutBtr `status` after operation `op`.
    QString report(int16_t status, int16_t op = 5, int16_t file = 17, bool info = false)
    {
        StatutBtr = status;
        OpBtr = op;
        user.messageBoxes.clear();
        ErreurBTrieve(0, file, QStringLiteral("C:\\Data\\FRADA17.bt6 "), QStringLiteral("Lib_Test:Appel"), false, info);
        return user.messageBoxes.empty() ? QString() : user.messageBoxes.back().text;
    }
};

TEST_F(ErrorReportTest, StatusTexts)
{
    const QString path = QStringLiteral("C:\\x ");
    const std::pair<int16_t, QString> cases[] = {
        {11, QStringLiteral("Err:11: The specified filename is invalid |C:\\x \n")},
        {12, QStringLiteral("Err:12: The MicroKernel cannot find the specified file |C:\\x \n")},
        {80, QStringLiteral("Err:80\n")}, {3000, QStringLiteral("Err:3000\n")}, {3133, QStringLiteral("Err:3133\n")},
        {3103, QStringLiteral("Err:3103: Network error\n")},
    };
    for (const auto& [status, text] : cases)
        EXPECT_EQ(ErreurBTrieveLibelle(status, path), text);
}

TEST_F(ErrorReportTest, ReportContents)
{
    services::Frm_Main().Caption = QStringLiteral("Tools");
    NomSectionBtr[0][17] = QStringLiteral("Frad017");
    EXPECT_TRUE(report(0).isEmpty());
    EXPECT_TRUE(HistoriqueBtr[0][0].isEmpty());

    AjouteHistorique(0, QStringLiteral("File:17 first"));
    AjouteHistorique(0, QStringLiteral("File:17 second"));
    EXPECT_TRUE(report(80).isEmpty());
    EXPECT_EQ(HistoriqueBtr[0][0], QStringLiteral("S:80 File:17 second"));

    const QString deleted = report(4, 4);
    EXPECT_TRUE(deleted.startsWith(QStringLiteral("Fichier: Frad017 |")));
    EXPECT_TRUE(deleted.endsWith(QStringLiteral("13:05:09\nErr:4: The application cannot find the key value\n\n"
                                                " 0>S:80 File:17 second\n 1>File:17 first\n\n"
                                                "Faîtes une restauration de ce fichier\n")));
    EXPECT_EQ(user.messageBoxes.back().style, msgbox::AbortRetryIgnore | msgbox::Critical);
    EXPECT_EQ(user.messageBoxes.back().title, QStringLiteral("Lib_Test:Appel"));
    EXPECT_FALSE(report(4, 5).contains(QStringLiteral("restauration")));
    EXPECT_TRUE(report(2, 5, -1).startsWith(QStringLiteral("05/03/2024 13:05:09\nErr:2:")));

    EXPECT_EQ(report(3000), QStringLiteral("Le programme a rencontré un problème de connexion au serveur.\n\n"
                                           "Veuillez vérifier la connectique de votre réseau."));
    EXPECT_TRUE(traces(QStringLiteral("Err: Network Pervasive errors: 3000")));
    EXPECT_TRUE(services::Frm_Main().ListeIncidents0.ListCount() > 0);

    report(30, 5, 17, true);
    EXPECT_EQ(user.messageBoxes.back().style, msgbox::OkOnly | msgbox::Information);
    EXPECT_EQ(user.messageBoxes.back().title, QStringLiteral("Tools"));
    EXPECT_EQ(user.endRequests, 0);
    user.messageBoxAnswer = msgbox::AnswerCancel;
    report(2);
    EXPECT_EQ(user.endRequests, 1);
}

// Abort makes the last write every ending of the program makes: the day's log holds every line traced, once and in
// order, those still waiting in the main window's list and the report's own included, in a log folder made for it when
// the settings window has named none yet.
TEST_F(ErrorReportTest, AbortWritesEveryTracedLineBeforeTheProgramEnds)
{
    const QByteArray at = "13:05:09:042 :0: : :";
    const QByteArray rule = at + QByteArray(35, '=');
    const struct {
        const char* name;
        bool setupCharge;
        QString repLogs;
        QStringList main, setup;
        int16_t status;
        QString logFolder;
        QByteArrayList written;
    } rows[] = {
        { "before the settings window", false, "", { "a", "b" }, {}, 2, "C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\",
            { "a", "b" } },
        { "while it loads", true, "C:\\Logs\\", { "a" }, { "b", "c" }, 2, "C:\\Logs\\", { "a", "b", "c" } },
        { "a framed report once it has loaded", true, "C:\\Logs\\", {}, { "a" }, 3000, "C:\\Logs\\",
            { "a", rule, at + "Err: Network Pervasive errors: 3000", rule } },
    };
    QDir().mkpath(host(QStringLiteral("C:\\Logs\\")));
    user.messageBoxAnswer = msgbox::AnswerAbort;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        services::TEST_resetTraceLog();
        services::SetupCharge = row.setupCharge;
        services::RepLogs = row.repLogs;
        QFile::remove(host(row.logFolder + todayLogName()));
        services::Frm_Main().ListeLogTemp.setLines(row.main);
        services::FrmSetup().ListeLog.setLines(row.setup);
        const int ends = user.endRequests;
        report(row.status);
        EXPECT_EQ(user.endRequests, ends + 1);
        EXPECT_EQ(services::RepLogs, row.logFolder);
        QByteArrayList lines = readLog(todayLogName()).split('\n');
        ASSERT_GT(lines.size(), 10);
        EXPECT_EQ(lines.takeLast(), QByteArray());
        for (QByteArray& line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
        }
        EXPECT_TRUE(std::all_of(lines.begin(), lines.begin() + 10,
            [](const QByteArray& l) { return l.startsWith("==:==:==:====:=:=:=:"); }));
        EXPECT_EQ(lines.mid(10), row.written);
    }
}

TEST_F(ErrorReportTest, DevelopmentKeyCheck)
{
    const struct { int16_t op, key, file; int length; bool shown; } cases[] = {
        {5, 0, 26, 9, false}, {5, 3, 26, 38, true}, {5, 3, 26, 39, false}, {5, 0, 17, 0, false},
        {19, 0, 26, 0, false}, {5, 9, 26, 0, false}, {5, 0, 12, 17, true}};
    for (const auto& c : cases) {
        user.messageBoxes.clear();
        BTrieveTestCle(c.op, QString(c.length, u'k'), c.key, c.file, QStringLiteral("Lib_Test:Appel"));
        EXPECT_EQ(user.messageBoxes.size(), c.shown ? 1u : 0u) << c.file << "/" << c.key;
    }
    EXPECT_EQ(user.messageBoxes.empty() ? QString() : user.messageBoxes[0].text,
              QStringLiteral("Key too short: Fichier:12 N° Clé:0 Longueur Clé:17 Opération:5\nKey:") +
                  QString(17, u'k') + QStringLiteral("\n |Source:Lib_Test:Appel"));
}

} // namespace
} // namespace qn3::testing
