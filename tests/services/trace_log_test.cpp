#include "services/error_routine.h"
#include "services/log_header.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"
#include "support/scoped_time_zone.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>

#include <ctime>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class TraceLogTest : public testing::ServicesTest {
protected:
    static void log(const QString& text, bool incident = false, bool write = true)
    {
        TraceLog(-1, -1, -1, text, incident, write);
    }
    // Lines of the day's file, without their CRLF.
    QList<QByteArray> fileLines() const
    {
        QList<QByteArray> lines = readLog(todayLogName()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
        }
        return lines;
    }
    static int headerLines(const QList<QByteArray>& lines)
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [](const QByteArray& l) { return l.startsWith("==:==:==:====:=:=:=:"); }));
    }
    void touchLog(const QString& name) const
    {
        QFile file(host(RepLogs + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

TEST_F(TraceLogTest, PrefixShowsTimeAndColumns)
{
    EXPECT_EQ(LigneLog(-1, -1, -1), QStringLiteral("13:05:09:042 : : : :"));
    EXPECT_EQ(LigneLog(3, -1, 10), QStringLiteral("13:05:09:042 :3: :A:"));
    EXPECT_EQ(LigneLog(3, 0, 11), QStringLiteral("13:05:09:042 :3:0:B:"));
    EXPECT_EQ(LigneLog(5, -2, -2), QStringLiteral("13:05:09:042 :Debug:"));
}

TEST_F(TraceLogTest, EarlyLinesWaitInTheMainWindowAndMoveAheadOnceSettingsLoad)
{
    log(QStringLiteral("early"));
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), 1);
    loadSettings();
    log(QStringLiteral("later"));
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), 0);
    ASSERT_EQ(FrmSetup().ListeLog.ListCount(), 2);
    EXPECT_TRUE(FrmSetup().ListeLog.List(0).endsWith(QStringLiteral("early")));
    EXPECT_TRUE(readLog(todayLogName()).isEmpty());
}

TEST_F(TraceLogTest, TheTwoHundredthLineWritesTheBatchWithAHeader)
{
    loadSettings();
    for (int i = 1; i < kBatchLines; ++i)
        log(QStringLiteral("line %1").arg(i));
    EXPECT_TRUE(readLog(todayLogName()).isEmpty());
    log(QStringLiteral("line 200 \u00e9\u20ac"));
    const QList<QByteArray> lines = fileLines();
    ASSERT_EQ(lines.size(), 10 + kBatchLines);
    EXPECT_EQ(lines[0], "==:==:==:====:=:=:=:" + QByteArray(43, '='));
    EXPECT_EQ(lines[8], "==:==:==:====:=:=:=:Id Radio: 0: Radio");
    EXPECT_EQ(lines[10], "13:05:09:042 : : : :line 1");
    EXPECT_EQ(lines.last(), "13:05:09:042 : : : :line 200 \xe9\x80"); // ANSI
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 0);
}

TEST_F(TraceLogTest, WithoutWritePermissionNothingIsWritten)
{
    loadSettings();
    for (int i = 0; i < 3 * kBatchLines; ++i)
        log(QStringLiteral("x"), false, false);
    EXPECT_TRUE(readLog(todayLogName()).isEmpty());
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 3 * kBatchLines);
}

TEST_F(TraceLogTest, AnIncidentIsListedTickedAndWrittenAtOnce)
{
    int alerts = 0;
    Frm_Main().CheckIncidents0.setClickHandler([&] { ++alerts; });
    loadSettings();
    log(QStringLiteral("before"));
    log(QStringLiteral("  : trouble "), true);
    EXPECT_EQ(alerts, 1);
    ASSERT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_EQ(Frm_Main().ListeIncidents0.List(0), QStringLiteral("13:05:09:042 : : : :trouble"));
    const QList<QByteArray> lines = fileLines();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[11], "13:05:09:042 : : : :  : trouble ");
}

TEST_F(TraceLogTest, AFullIncidentsListStartsAgain)
{
    for (int i = 0; i <= kMaxIncidentLines; ++i)
        Frm_Main().ListeIncidents0.AddItem(QStringLiteral("old"));
    log(QStringLiteral("new"), true);
    ASSERT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(Frm_Main().ListeIncidents0.List(0).endsWith(QStringLiteral("new")));
}

TEST_F(TraceLogTest, EachRunStartsWithAHeaderEvenWhenTheFileHasOne)
{
    loadSettings();
    log(QStringLiteral("first run"));
    TraceLogForce();
    log(QStringLiteral("same run"));
    TraceLogForce();
    EXPECT_EQ(headerLines(fileLines()), 10);

    TEST_resetTraceLog(); // a new run
    log(QStringLiteral("second run"));
    TraceLogForce();
    const QList<QByteArray> lines = fileLines();
    EXPECT_EQ(headerLines(lines), 20);
    EXPECT_EQ(lines.size(), 23);
}

TEST_F(TraceLogTest, ForceWithNothingBufferedTouchesNothingOnceTheDayHasItsHeader)
{
    loadSettings();
    TraceLogForce(); // first of the run: the header alone
    EXPECT_EQ(fileLines().size(), 10);
    TraceLogForce();
    EXPECT_EQ(fileLines().size(), 10);
    QString name;
    TraceLogForce(FrmSetup().ListeLog, name, true); // yesterday: a header of its own
    EXPECT_EQ(name, QStringLiteral("20240304"));
    EXPECT_EQ(readLog(QStringLiteral("20240304.Log")).count('\n'), 10);
}

TEST_F(TraceLogTest, ADayWhoseMidnightIsSkippedByTheClockChangeIsStillADay)
{
    // Summer time starting at midnight (as in Chile): 00:00 of that day does
    // not exist in local time, yet the day has a header and no error.
    {
        const testing::ScopedTimeZone zone(testing::ScopedTimeZone::kMidnightChange);
        clock.now = QDateTime(QDate(2023, 9, 3), QTime(10, 0));
        loadSettings();
        log(QStringLiteral("x"));
        TraceLogForce();
        log(QStringLiteral("y"));
        TraceLogForce();
    }
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
    const QList<QByteArray> lines = fileLines();
    EXPECT_EQ(headerLines(lines), 10);
    EXPECT_EQ(lines.size(), 12) << lines.join("\n").toStdString();
}

TEST_F(TraceLogTest, TheDailyPurgeDeletesOldDayFilesAndKeepsNamesStartingWithALetter)
{
    loadSettings();
    for (const char* name : {"20240119.Log", "20240120.Log", "1.Log", "Notes.Log", ".hidden.LOG", "20200101.txt"})
        touchLog(QString::fromLatin1(name));
    log(QStringLiteral("x"));
    TraceLogForce();
    QStringList left = QDir(host(RepLogs)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    // The limit is 45 days before 5 March 2024: 20 January. A hidden file
    // matches too, and its empty name sorts first.
    EXPECT_EQ(left, QStringList({QStringLiteral("20200101.txt"), QStringLiteral("20240120.Log"),
                                 QStringLiteral("20240305.Log"), QStringLiteral("Notes.Log")}));

    touchLog(QStringLiteral("20000101.Log")); // the same day: no second purge
    log(QStringLiteral("y"));
    TraceLogForce();
    EXPECT_TRUE(QFile::exists(host(RepLogs + QStringLiteral("20000101.Log"))));
}

TEST_F(TraceLogTest, ThePurgeWaitsForTheLogFolderRatherThanSkipTheDay)
{
    SetupCharge = true; // the log folder is named but not made yet
    log(QStringLiteral("early trouble"), true);
    loadSettings();
    touchLog(QStringLiteral("20240101.Log"));
    log(QStringLiteral("x"));
    TraceLogForce();
    EXPECT_FALSE(QFile::exists(host(RepLogs + QStringLiteral("20240101.Log"))));
    EXPECT_TRUE(QFile::exists(host(RepLogs + todayLogName())));
}

TEST_F(TraceLogTest, AnUnwritableFolderKeepsTheBatchAndReportsOncePerAttempt)
{
    SetupCharge = true; // RepLogs does not exist
    for (int i = 1; i <= kBatchLines; ++i)
        log(QStringLiteral("line %1").arg(i));
    // Kept: the batch, plus the framed report of the failure.
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), kBatchLines + 3);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(Frm_Main().ListeIncidents0.List(0).contains(QStringLiteral("Err:76")));

    for (int i = 0; i < kBatchLines - 10; ++i)
        log(QStringLiteral("more"));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1); // no attempt before the next batch

    QDir().mkpath(host(RepLogs));
    for (int i = 0; i < 10; ++i)
        log(QStringLiteral("more"));
    // Written at the next batch: the kept 202 lines and 200 more; the
    // closing rule of the report came after the retry point and waits.
    const QList<QByteArray> lines = fileLines();
    EXPECT_EQ(lines.size(), 10 + 2 * kBatchLines + 2);
    EXPECT_EQ(lines[10], "13:05:09:042 : : : :line 1");
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 1);
}

TEST_F(TraceLogTest, KeptLinesAreBoundedAndTheDropIsNoted)
{
    SetupCharge = true;
    for (int i = 0; i < kMaxBufferedLines + 500; ++i)
        log(QStringLiteral("line %1").arg(i));
    const ListBox& kept = FrmSetup().ListeLog;
    EXPECT_LE(kept.ListCount(), kMaxBufferedLines + kBatchLines + 3);
    bool noted = false;
    for (const QString& line : kept.lines())
        noted = noted || line.contains(QStringLiteral("trace lines dropped"));
    EXPECT_TRUE(noted);
    EXPECT_FALSE(kept.List(kept.ListCount() - 1).isEmpty());
}

TEST_F(TraceLogTest, FramedTextHasRulesAsLongAsItAndAnEmptyRuleCharacterIsReported)
{
    TraceLogEncadre(1, 2, 3, QStringLiteral("Phase"), QStringLiteral("*-"), false);
    const QStringList& lines = Frm_Main().ListeLogTemp.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(":1:2:3:*****")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(":1:2:3:Phase")));

    Frm_Main().ListeLogTemp.Clear();
    TraceLogEncadre(-1, -1, -1, QString(), QStringLiteral("="), false);
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), 3);

    Frm_Main().ListeLogTemp.Clear();
    TraceLogEncadre(-1, -1, -1, QStringLiteral("text"), QString(), false);
    EXPECT_EQ(InfoErreur.Numero, 5);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 2); // each rule a reported failure
}

TEST_F(TraceLogTest, UptimeTextShowsOnlyTheParts)
{
    EXPECT_EQ(TempsDepuisDemarrage(((24 + 1) * 3600 + 61) * 1000LL), QStringLiteral("1 D 1 H 1 Min 1 Sec"));
    EXPECT_EQ(TempsDepuisDemarrage(3600 * 1000LL), QStringLiteral("1 H 0 Min 0 Sec"));
    EXPECT_EQ(TempsDepuisDemarrage(59 * 1000LL), QStringLiteral("0 Min 59 Sec"));
    EXPECT_EQ(NomTheme(QString()), QStringLiteral("WinClassic"));
    EXPECT_EQ(NomTheme(QStringLiteral("1")), QStringLiteral("WinXP"));
}

TEST_F(TraceLogTest, TheViewerWritesTheBufferAndOpensTheChosenFile)
{
    loadSettings();
    log(QStringLiteral("pending"));
    user.openFileAnswer = QStringLiteral("C:\\Logs\\20240301.Log");
    AfficherLog(RepLogs, QString(), QStringLiteral("_QN3_Export_Vandrel"));
    EXPECT_EQ(fileLines().size(), 11);
    ASSERT_TRUE(user.lastRequest.has_value());
    EXPECT_EQ(user.lastRequest->fileName, QStringLiteral("C:\\Logs\\20240305_QN3_Export_Vandrel.Log"));
    EXPECT_EQ(user.lastRequest->filter, QStringLiteral("Logs|*.log"));
    EXPECT_EQ(opener.opened, QStringList({QStringLiteral("C:\\Logs\\20240301.Log")}));
}

TEST_F(TraceLogTest, CancellingTheViewerOpensAndLogsNothing)
{
    loadSettings();
    AfficherLog(RepLogs, QString(), QString());
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 0);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
}

} // namespace
} // namespace qn3::services
