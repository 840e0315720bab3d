#include "services/error_routine.h"
#include "platform/windows_path.h"
#include "services/log_header.h"
#include "services/os_facts.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/versions.h"
#include "services/window_members.h"
#include "support/scoped_time_zone.h"
#include "support/services_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>

namespace qn3::services {
namespace {

constexpr const char* kHeader = "==:==:==:====:=:=:=:";

struct TraceLogTest : testing::ServicesTest {
    static void log(const QString& text, bool incident = false) { TraceLog(-1, -1, -1, text, incident, true); }
    static void logMany(int count, const QString& text = "more %1")
    {
        for (int i = 1; i <= count; ++i)
            log(text.arg(i));
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
        return int(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.startsWith(kHeader); }));
    }
    void touchLog(const QString& name) const { ASSERT_TRUE(QFile(host(RepLogs + name)).open(QIODevice::WriteOnly)); }
    bool logExists(const QString& name) const { return QFile::exists(host(RepLogs + name)); }
    static const ListBox& incidents() { return Frm_Main().ListeIncidents0; }
};

TEST_F(TraceLogTest, PrefixShowsTimeAndColumnsUptimeItsPartsAndFramedTextHasRulesAsLongAsIt)
{
    EXPECT_EQ(LigneLog(-1, -1, -1), "13:05:09:042 : : : :");
    EXPECT_EQ(LigneLog(3, -1, 10), "13:05:09:042 :3: :A:");
    EXPECT_EQ(LigneLog(3, 0, 11), "13:05:09:042 :3:0:B:");
    EXPECT_EQ(LigneLog(5, -2, -2), "13:05:09:042 :Debug:");
    EXPECT_EQ(TempsDepuisDemarrage(((24 + 1) * 3600 + 61) * 1000LL), "1 D 1 H 1 Min 1 Sec");
    EXPECT_EQ(TempsDepuisDemarrage(3600 * 1000LL), "1 H 0 Min 0 Sec");
    EXPECT_EQ(TempsDepuisDemarrage(59 * 1000LL), "0 Min 59 Sec"); // the uptime shows only its parts

    const QStringList& lines = Frm_Main().ListeLogTemp.lines();
    TraceLogEncadre(1, 2, 3, "Phase", "*-", false);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(":1:2:3:*****"));
    EXPECT_TRUE(lines[1].endsWith(":1:2:3:Phase"));
    TraceLogEncadre(-1, -1, -1, QString(), "=", false);
    EXPECT_EQ(lines.size(), 6);

    TraceLogEncadre(-1, -1, -1, "text", QString(), false);
    EXPECT_EQ(InfoErreur.Numero, 5);
    EXPECT_EQ(incidents().ListCount(), 2); // each rule a reported failure
}

TEST_F(TraceLogTest, EarlyLinesWaitInTheMainWindowMoveAheadOnceSettingsLoadAndTheViewerWritesThemFirst)
{
    log("early");
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), 1);
    loadSettings();
    log("later");
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), 0);
    EXPECT_EQ(FrmSetup().ListeLog.lines(), QStringList({"13:05:09:042 : : : :early", "13:05:09:042 : : : :later"}));
    EXPECT_TRUE(readLog(todayLogName()).isEmpty());

    user.openFileAnswer = "C:\\Logs\\20240301.Log";
    AfficherLog(RepLogs, QString(), "_QN3_Export_Vandrel");
    EXPECT_EQ(fileLines().size(), 12);
    ASSERT_TRUE(user.lastRequest.has_value());
    EXPECT_EQ(user.lastRequest->fileName, "C:\\Logs\\20240305_QN3_Export_Vandrel.Log");
    EXPECT_EQ(user.lastRequest->filter, "Logs|*.log");
    EXPECT_EQ(opener.opened, QStringList({"C:\\Logs\\20240301.Log"}));

    user.openFileAnswer.reset();
    AfficherLog(RepLogs, QString(), QString()); // cancelled: nothing opened, nothing logged
    EXPECT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(FrmSetup().ListeLog.ListCount() + incidents().ListCount(), 0);
}

// The run's last write: lines traced while the settings window loaded come before its list's, lines traced once it
// has unloaded after what it could not write; each line once.
TEST_F(TraceLogTest, TheLastWriteTakesBothListsInTheOrderTheirLinesWereTraced)
{
    QDir().mkpath(host(RepLogs));
    const struct {
        const char* name;
        bool setupCharge;
        QStringList main, setup;
        QByteArrayList written;
    } rows[] = {
        { "before the settings window", false, { "a", "b" }, {}, { "a", "b" } },
        { "while it loads", true, { "a" }, { "b", "c" }, { "a", "b", "c" } },
        { "after it unloaded", false, { "c" }, { "a", "b" }, { "a", "b", "c" } },
        { "nothing waiting", true, {}, { "a" }, { "a" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(host(RepLogs + todayLogName()));
        TEST_resetTraceLog();
        SetupCharge = row.setupCharge;
        Frm_Main().ListeLogTemp.setLines(row.main);
        FrmSetup().ListeLog.setLines(row.setup);
        TraceLogFin();
        const QList<QByteArray> lines = fileLines();
        ASSERT_EQ(headerLines(lines), 10);
        EXPECT_EQ(lines.mid(10), row.written);
        EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount() + FrmSetup().ListeLog.ListCount(), 0);
    }
}

TEST_F(TraceLogTest, TheTwoHundredthLineWritesTheBatchWithAHeaderUnlessWritingIsOff)
{
    loadSettings();
    for (int i = 0; i < 3 * kBatchLines; ++i)
        TraceLog(-1, -1, -1, "x", false, false); // without write permission: kept, never written
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 3 * kBatchLines);
    FrmSetup().ListeLog.Clear();
    logMany(kBatchLines - 1, "line %1");
    EXPECT_TRUE(readLog(todayLogName()).isEmpty());
    log("line 200 \u00e9\u20ac");
    const QList<QByteArray> lines = fileLines();
    ASSERT_EQ(lines.size(), 10 + kBatchLines);
    EXPECT_EQ(lines[0], kHeader + QByteArray(43, '='));
    EXPECT_EQ(lines[8], "==:==:==:====:=:=:=:Id Radio: 0: Radio");
    EXPECT_EQ(lines[10], "13:05:09:042 : : : :line 1");
    EXPECT_EQ(lines.last(), "13:05:09:042 : : : :line 200 \xe9\x80"); // ANSI
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), 0);
}

TEST_F(TraceLogTest, AnIncidentIsListedTickedAndWrittenAtOnceAndAFullListStartsAgain)
{
    int alerts = 0;
    Frm_Main().CheckIncidents0.setClickHandler([&] { ++alerts; });
    loadSettings();
    log("before");
    log("  : trouble ", true);
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(incidents().lines(), QStringList({"13:05:09:042 : : : :trouble"}));
    const QList<QByteArray> lines = fileLines();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[11], "13:05:09:042 : : : :  : trouble ");

    for (int i = 0; i < kMaxIncidentLines; ++i)
        Frm_Main().ListeIncidents0.AddItem("old");
    log("new", true);
    EXPECT_EQ(incidents().lines(), QStringList({"13:05:09:042 : : : :new"}));
}

TEST_F(TraceLogTest, EachRunStartsWithAHeaderEvenWhenTheFileHasOne)
{
    loadSettings();
    TraceLogForce(); // first of the run, nothing buffered: the header alone
    EXPECT_EQ(fileLines().size(), 10);
    TraceLogForce(); // the day has its header: nothing touched
    log("same run");
    TraceLogForce();
    EXPECT_EQ(headerLines(fileLines()), 10);

    TEST_resetTraceLog(); // a new run
    log("second run");
    TraceLogForce();
    const QList<QByteArray> lines = fileLines();
    EXPECT_EQ(headerLines(lines), 20);
    EXPECT_EQ(lines.size(), 22);

    QString name;
    TraceLogForce(FrmSetup().ListeLog, name, true); // yesterday: a header of its own
    EXPECT_EQ(name, "20240304");
    EXPECT_EQ(readLog("20240304.Log").count('\n'), 10);
}

TEST_F(TraceLogTest, TheDaysHeaderNamesTheBuildTheProgramTheComputerAndTheSystem)
{
    testing::FixedSystemFacts facts;
    const platform::ScopedInstall<platform::SystemFacts> install(facts);
    facts.version = {.minorVersion = 1, .buildNumber = 7601, .csdVersion = "Service Pack 1",
                     .processorArchitecture = 9, .productInfoType = 0x30, .serverR2 = 0};
    loadSettings();
    TraceLogForce();
    CodeVersionWindows = 0; // learnt while the header was written; later tests start without it

    QStringList texts;
    for (const QByteArray& line : fileLines().mid(0, 10))
        texts << QString::fromLatin1(line.mid(20)).trimmed();
    ASSERT_EQ(texts.size(), 10);
    EXPECT_EQ(texts[2], "App.Version: " + VersionApplication());
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const QString folder = platform::paths::toWindows(QCoreApplication::applicationDirPath());
    EXPECT_EQ(texts[3], "App.ExeName: " + folder + u'\\' + exe + ".exe");
    EXPECT_EQ(texts[4], "App.ProductName: QN3_Tools_Vandrel");
    EXPECT_EQ(texts[5], "Computer.Name: STUDIO");
    EXPECT_EQ(texts[7], "Operating System: Microsoft Windows 7 Professional, 64-bit Service Pack 1 (build 7601)");
}

TEST_F(TraceLogTest, ADayWhoseMidnightIsSkippedByTheClockChangeIsStillADay)
{
    // Summer time starting at midnight (as in Chile): 00:00 of that day does
    // not exist in local time, yet the day has a header and no error.
    {
        const testing::ScopedTimeZone zone(testing::ScopedTimeZone::kMidnightChange);
        clock.now = QDateTime(QDate(2023, 9, 3), QTime(10, 0));
        loadSettings();
        log("x");
        TraceLogForce();
        log("y");
        TraceLogForce();
    }
    EXPECT_EQ(incidents().ListCount(), 0);
    const QList<QByteArray> lines = fileLines();
    EXPECT_EQ(headerLines(lines), 10);
    EXPECT_EQ(lines.size(), 12) << lines.join("\n").toStdString();
}

TEST_F(TraceLogTest, TheDailyPurgeWaitsForTheLogFolderDeletesOldDayFilesAndKeepsNamesStartingWithALetter)
{
    SetupCharge = true; // the log folder is named but not made yet: the failed write must not use up the day
    log("early trouble", true);
    loadSettings();
    for (const char* name : {"20240119.Log", "20240120.Log", "1.Log", "Notes.Log", ".hidden.LOG", "20200101.txt"})
        touchLog(name);
    log("x");
    TraceLogForce();
    // The limit is 45 days before 5 March 2024: 20 January. A hidden file
    // matches too, and its empty name sorts first.
    EXPECT_EQ(QDir(host(RepLogs)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"20200101.txt", "20240120.Log", "20240305.Log", "Notes.Log"}));

    touchLog("20000101.Log"); // the same day: no second purge
    log("y");
    TraceLogForce();
    EXPECT_TRUE(logExists("20000101.Log"));
}

TEST_F(TraceLogTest, AnUnwritableFolderKeepsTheBatchAndReportsOncePerAttempt)
{
    SetupCharge = true; // RepLogs does not exist
    logMany(kBatchLines, "line %1");
    // Kept: the batch, plus the framed report of the failure.
    EXPECT_EQ(FrmSetup().ListeLog.ListCount(), kBatchLines + 3);
    ASSERT_EQ(incidents().ListCount(), 1);
    EXPECT_TRUE(incidents().List(0).contains("Err:76"));

    logMany(kBatchLines - 10);
    EXPECT_EQ(incidents().ListCount(), 1); // no attempt before the next batch

    QDir().mkpath(host(RepLogs));
    logMany(10);
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
    logMany(kMaxBufferedLines + 500, "line %1");
    const ListBox& kept = FrmSetup().ListeLog;
    EXPECT_LE(kept.ListCount(), kMaxBufferedLines + kBatchLines + 3);
    EXPECT_FALSE(kept.lines().filter("trace lines dropped").isEmpty());
    EXPECT_FALSE(kept.List(kept.ListCount() - 1).isEmpty());
}

} // namespace
} // namespace qn3::services
