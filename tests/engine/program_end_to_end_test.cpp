#include "platform/special_folders.h"
#include "platform/windows_path.h"
#include "services/error_routine.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "support/temp_prefix.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

// The built program, installed in a temporary prefix and started there as a
// person would start it, then asked to stop as the system would.
namespace {

using qn3::testing::TempPrefix;

class ProgramRun {
public:
    explicit ProgramRun(const TempPrefix& prefix) : prefix_(prefix) {}

    // The day's log in the log folder of the base (below C:\); its Windows-1252 letters read as Latin-1 ones. A run
    // that went on past midnight wrote the logs of several days: all of them, one after the other.
    QString log() const
    {
        QString days;
        for (QDate day = started_; day <= QDate::currentDate(); day = day.addDays(1)) {
            QFile file(prefix_.driveC() + u'/' + logFolder_ + "/Histo_QN3_Tools_Vandrel/" + day.toString("yyyyMMdd")
                       + ".Log");
            if (file.open(QIODevice::ReadOnly))
                days += QString::fromLatin1(file.readAll());
        }
        return days;
    }

    // Starts `program` in its folder, with the environment of a test run, and waits until it says it is ready
    // or, when `quit` (the program is asked to quit once ready), until it has ended without an error.
    bool start(const QString& program, const QString& answers, const QStringList& arguments = {}, bool quit = false)
    {
        launch(program, answers, arguments, quit ? "1" : "0");
        if (quit)
            return ended();
        return process_.waitForStarted(10000)
            && QTest::qWaitFor([&] { return log().contains("Tools Vandrel: Ready"); }, 60000);
    }

    // Starts `program` as start() does, QN3_QUIT_WHEN_READY set to `quit`, and returns at once.
    void launch(const QString& program, const QString& answers, const QStringList& arguments, const char* quit)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QN3_PREFIX", prefix_.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (answers.isNull()) // somebody at the screen: the boxes wait for them
            env.remove("QN3_TEST_ANSWERS");
        else
            env.insert("QN3_TEST_ANSWERS", answers);
        env.insert("QN3_SCREENSHOTS", QCoreApplication::applicationDirPath());
        env.insert("QN3_QUIT_WHEN_READY", quit);
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(QFileInfo(program).path());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(program, arguments);
    }

    bool ended() { return process_.waitForFinished(60000) && process_.exitCode() == 0; }

    // Waits until the program answers SIGTERM itself and sleeps in an event loop: before the start-up's first
    // question, only the wait its command line asks for lets it sleep there, so a sleep seen on three looks
    // in a row is that wait. A kernel that hides where a process sleeps gets a pause of two seconds instead.
    bool sleepsListening() const
    {
        const auto read = [&](const char* name) {
            QFile file(QStringLiteral("/proc/%1/%2").arg(process_.processId()).arg(name));
            return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
        };
        const bool listening = QTest::qWaitFor(
            [&] {
                const QString caught = QRegularExpression("\nSigCgt:\\s*([0-9a-f]+)").match(read("status")).captured(1);
                return (caught.toULongLong(nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
            },
            30000);
        if (!listening)
            return false;
        int asleep = 0;
        QElapsedTimer looking;
        looking.start();
        while (asleep < 3 && looking.elapsed() < 30000) {
            const QString where = read("wchan").trimmed();
            if (where.isEmpty() || where == "0") {
                QTest::qWait(2000);
                return true;
            }
            asleep = where.contains("poll") ? asleep + 1 : 0;
            QTest::qWait(50);
        }
        return asleep >= 3;
    }

    void setLogFolder(const QString& folder) { logFolder_ = folder; }

    // The record files the running program holds open, by name (by host path when `paths`).
    QSet<QString> openRecordFiles(bool paths = false) const
    {
        QSet<QString> names;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(process_.processId()));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
            if (const QString target = fd.symLinkTarget(); target.toUpper().endsWith(".BT6"))
                names.insert(paths ? target : QFileInfo(target).fileName().toUpper());
        return names;
    }

    void terminate()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        ASSERT_TRUE(process_.waitForFinished(20000));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process_.exitCode(), 0);
    }

private:
    const TempPrefix& prefix_;
    const QDate started_ = QDate::currentDate();
    QString logFolder_ = QStringLiteral("AudioLog");
    QProcess process_;
};

// The command line of the start-up shortcut the error routine leaves before it restarts the computer.
QStringList startUpShortcutCommand()
{
    using namespace qn3;
    services::RepApplication = QStringLiteral("C:\\Sonvarek\\Quillon\\");
    int32_t wait = 500;
    services::CreateShortCutStartUp(true, wait, QStringLiteral("Test"));
    QFile shortcut(platform::paths::toHost(services::CheckRep(platform::specialFolder(platform::csidl::Startup))
                                           + QString::fromUtf16(services::kStartUpShortcutName)));
    const QString entry = shortcut.open(QIODevice::ReadOnly) ? QString::fromUtf8(shortcut.readAll()) : QString();
    return QProcess::splitCommand(QRegularExpression("\nExec=([^\n]*)").match(entry).captured(1));
}

// The program copied alone into C:\Programs, with no site around it.
QString programWithoutSite(const TempPrefix& prefix)
{
    const QString folder = prefix.driveC() + "/Programs";
    EXPECT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(QFile::copy(QN3_PROGRAM, folder + "/QN3_Tools_Vandrel"));
    return folder + "/QN3_Tools_Vandrel";
}

} // namespace

// Once stopped, the program is started again by its start-up shortcut, which
// asks it to wait first.
TEST(Program, StartsOnTheDemoSiteWithItsBaseOpenFlushesOnTerminationAndRestartsFromItsShortcut)
{
    TempPrefix prefix;
    ProgramRun run(prefix);
    ASSERT_TRUE(run.start(QN3_MAKE_DEMO_SITE, {}, {"--program", QN3_PROGRAM}, true));
    ASSERT_TRUE(run.start(prefix.driveC() + "/Sonvarek/Quillon/QN3_Tools_Vandrel", {})) << run.log().toStdString();
    const QSet<QString> open = run.openRecordFiles();
    for (const char* name : {"FRAD000.BT6", "FRAD014.BT6", "FRADA17.BT6", "FRADB17.BT6", "FRADB32.BT6"})
        EXPECT_TRUE(open.contains(name)) << name;
    run.terminate();

    const QString log = run.log();
    for (const char* line : {"App.Version: ", "Tools Vandrel: Init: Site", "Tools Vandrel: Init: Database",
                             "Tools Vandrel: Setup: Init: Folders", "Tools Vandrel: Init: Display",
                             "Data_Folder: C:\\QN_Data\\", "Tools Vandrel: Ready (BaseOuverte: True)",
                             "Fermeture du programme"})
        EXPECT_TRUE(log.contains(line)) << line << '\n' << log.toStdString();
    EXPECT_FALSE(log.contains("Err:")) << log.toStdString();
    EXPECT_TRUE(log.endsWith("\r\n"));
    for (const char* folder : {"Sonvarek/Quillon/Settings/QN3_Tools_Vandrel", "AudioLog/Pub", "Sonvarek/Quillon/Local",
                               "QN_Sons/Pub"})
        EXPECT_TRUE(QFileInfo::exists(prefix.driveC() + u'/' + folder)) << folder;

    const QStringList command = startUpShortcutCommand();
    ASSERT_EQ(command.size(), 2);
    EXPECT_TRUE(run.start(command[0], {}, command.mid(1), true));
    const QString again = run.log().mid(log.size());
    EXPECT_TRUE(again.contains("Attente de 1000 ms")) << again.toStdString();
    EXPECT_TRUE(again.contains("Tools Vandrel: Ready (BaseOuverte: True)"));
}

TEST(Program, WithoutADatabaseAnswersNoAndStartsWithItsBaseClosed)
{
    TempPrefix prefix;
    const QString program = programWithoutSite(prefix);
    ProgramRun run(prefix);
    ASSERT_TRUE(run.start(program, "1,7")) << run.log().toStdString();
    EXPECT_TRUE(run.openRecordFiles().isEmpty());
    run.terminate();

    const QString log = run.log();
    EXPECT_TRUE(log.contains("Réponse 7 à: Impossible de trouver la base de données")) << log.toStdString();
    EXPECT_TRUE(log.contains("Tools Vandrel: Ready (BaseOuverte: False)")) << log.toStdString();
    // The site settings were made from their defaults beside the program.
    EXPECT_TRUE(QFileInfo::exists(QFileInfo(program).path() + "/Settings/QN3_Config.ini"));
}

// Asked where the database is, the scripted user names a Windows folder that does not exist yet: the folder
// dialog's choice makes it, the database is still not there, and the next answer goes on without it.
TEST(Program, LooksForItsDatabaseInAFolderTheScriptedUserTypes)
{
    TempPrefix prefix;
    ProgramRun run(prefix);
    ASSERT_TRUE(run.start(programWithoutSite(prefix), "1,6,C:\\QN_Donnees,7")) << run.log().toStdString();
    run.terminate();
    const QString log = run.log();
    EXPECT_TRUE(log.contains("Dossier choisi: C:\\QN_Donnees\\ (proposé: C:\\BTRieve\\Data)")) << log.toStdString();
    EXPECT_TRUE(QFileInfo(prefix.driveC() + "/QN_Donnees").isDir());
}

// Each base of a site of three starts with its own folders, stations and sound folders, whichever is chosen,
// and the site remembers the choice. The site's first making stopped on its way (by a data folder it cannot
// make, as Ctrl+C could stop it there) leaves no site settings file, so the next making finishes the site.
TEST(Program, StartsOnEachBaseOfAThreeBaseSiteWithThatBasesOwnSettings)
{
    TempPrefix prefix;
    ProgramRun run(prefix);
    const QStringList make = {"--program", QN3_PROGRAM, "--bases", "3", "--stations", "1"};
    const QString obstacle = prefix.driveC() + "/QN_Data/Base_03";
    ASSERT_TRUE(QDir().mkpath(prefix.driveC() + "/QN_Data") && QFile(obstacle).open(QIODevice::WriteOnly));
    EXPECT_FALSE(run.start(QN3_MAKE_DEMO_SITE, {}, make, true));
    EXPECT_TRUE(QFileInfo::exists(prefix.driveC() + "/QN_Data/Base_01/Frad000.bt6")); // made before the stop
    EXPECT_FALSE(QFileInfo::exists(prefix.driveC() + "/Sonvarek/Quillon/Settings/QN3_Config.ini"));
    ASSERT_TRUE(QFile::remove(obstacle));
    ASSERT_TRUE(run.start(QN3_MAKE_DEMO_SITE, {}, make, true));
    for (const int base : {3, 1, 2}) {
        SCOPED_TRACE(base);
        const QString own = QStringLiteral("Base_0%1").arg(base), sons = prefix.driveC() + "/QN_Sons/" + own + '/';
        EXPECT_FALSE(QFileInfo::exists(sons));
        run.setLogFolder("AudioLog/" + own);
        // A database question, were there one, is answered No: the start then ends with the base closed.
        const QString program = prefix.driveC() + "/Sonvarek/Quillon/QN3_Tools_Vandrel";
        ASSERT_TRUE(run.start(program, QStringLiteral("B%1,7").arg(base))) << run.log().toStdString();
        for (const QString& path : run.openRecordFiles(true))
            EXPECT_TRUE(path.contains("/QN_Data/" + own + '/')) << path.toStdString();
        // Base N has N stations: one record file 17 for each.
        const QSet<QString> names = run.openRecordFiles();
        for (const char station : {'A', 'B', 'C', 'D'})
            EXPECT_EQ(names.contains(QStringLiteral("FRAD") + station + "17.BT6"), station - 'A' < base) << station;
        run.terminate();

        const QString log = run.log();
        for (const QString& line : {QStringLiteral("Réponse B%1").arg(base), "Data_Folder: C:\\QN_Data\\" + own + '\\',
                                    "Local_Folder: C:\\Sonvarek\\Quillon\\Local\\" + own + '\\',
                                    QStringLiteral("Tools Vandrel: Ready (BaseOuverte: True)")})
            EXPECT_TRUE(log.contains(line)) << line.toStdString() << '\n' << log.toStdString();
        EXPECT_FALSE(log.contains("Err:")) << log.toStdString();
        for (const char* folder : {"Musique", "Pub"})
            EXPECT_TRUE(QFileInfo::exists(sons + folder)) << folder;
    }
}

// However the program ends, the day's log holds every line it traced, once and in order, the lines of a start
// that stopped before its settings window named the log folder included (in the base's log folder once read,
// else in the default one).
TEST(Program, EveryWayOfEndingLeavesEachTracedLineInTheDaysLogOnceAndInOrder)
{
    enum Ending { ByItself, TerminatedWhenReady, TerminatedWhileWaiting, TerminatedWhileAsked };
    const struct {
        const char* name;
        int bases; // of the demo site, none when 0
        const char* answers;
        const char* quit;
        QStringList arguments;
        Ending ending;
        QStringList lines; // in this order
    } rows[] = {
        { "database question cancelled", 0, "1,2", "0", {}, ByItself,
            { "Démarrage de Quillon", "Data_Folder: C:\\BTRieve\\Data\\", "Réponse 2 à: Impossible de trouver" } },
        { "base choice given up", 2, "B0", "0", {}, ByItself,
            { "Démarrage de Quillon", "Réponse B0 à: Choix de la base (Abandonner)" } },
        { "quit question answered Yes", 1, "6", "question", {}, ByItself,
            { "Tools Vandrel: Init: Setup: ", "Tools Vandrel: Ready", "Réponse 6 à: Voulez-vous quitter",
                "Fermeture du programme demandée par l'utilisateur" } },
        { "SIGTERM once ready", 1, "", "0", {}, TerminatedWhenReady,
            { "Tools Vandrel: Ready", "Fermeture du programme demandée par le système" } },
        { "SIGTERM while waiting to start", 1, "", "0", { "/Wait=60000" }, TerminatedWhileWaiting,
            { "Attente de 60000 ms", "Fermeture du programme demandée par le système" } },
        { "SIGTERM while the quit question waits", 1, nullptr, "question", {}, TerminatedWhileAsked,
            { "Tools Vandrel: Ready", "Fermeture du programme demandée par le système" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempPrefix prefix;
        ProgramRun run(prefix);
        QString program = prefix.driveC() + "/Sonvarek/Quillon/QN3_Tools_Vandrel";
        if (row.bases == 0) {
            program = programWithoutSite(prefix);
        } else {
            ASSERT_TRUE(run.start(
                QN3_MAKE_DEMO_SITE, {}, { "--program", QN3_PROGRAM, "--bases", QString::number(row.bases) }, true));
        }
        if (row.ending == TerminatedWhenReady) {
            ASSERT_TRUE(run.start(program, row.answers)) << run.log().toStdString();
        } else {
            run.launch(program, row.answers, row.arguments, row.quit);
        }
        if (row.ending == TerminatedWhileAsked) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return run.log().contains("Tools Vandrel: Ready"); }, 60000));
        }
        if (row.ending == TerminatedWhileWaiting || row.ending == TerminatedWhileAsked) {
            ASSERT_TRUE(run.sleepsListening());
        }
        if (row.ending == ByItself)
            EXPECT_TRUE(run.ended());
        else
            run.terminate();

        const QString log = run.log();
        EXPECT_TRUE(log.startsWith("==:==:==:====:=:=:=:")) << log.toStdString();
        QSet<QString> seen;
        QString previous;
        for (const QString& line : log.split("\r\n", Qt::SkipEmptyParts)) {
            if (line.startsWith("==:==:==:====:=:=:=:"))
                continue;
            // Times of day: past midnight they start again from 00.
            const QString time = line.left(12);
            EXPECT_TRUE(time >= previous || (previous.startsWith("23:") && time.startsWith("00:")))
                << line.toStdString() << " after " << previous.toStdString();
            previous = time;
            // The two rules around a phase's name may be traced in the same millisecond.
            const QString text = line.mid(20);
            const bool rule = !text.isEmpty() && text.count(text[0]) == text.size();
            EXPECT_TRUE(rule || !seen.contains(line)) << "twice: " << line.toStdString();
            seen.insert(line);
        }
        qsizetype at = 0;
        for (const QString& line : row.lines) {
            const qsizetype found = log.indexOf(line, at);
            EXPECT_GE(found, at) << line.toStdString() << '\n' << log.toStdString();
            EXPECT_EQ(log.count(line), 1) << line.toStdString();
            at = std::max(found, at);
        }
    }
}
