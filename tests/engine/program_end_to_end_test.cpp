#include "platform/special_folders.h"
#include "platform/windows_path.h"
#include "services/error_routine.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "support/temp_prefix.h"

#include <QCoreApplication>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

// The built program, installed in a temporary prefix and started there as a
// person would start it, then asked to stop as the system would.
namespace {

class ProgramRun {
public:
    explicit ProgramRun(const qn3::testing::TempPrefix& prefix) : prefix_(prefix) {}

    QString logFile() const
    {
        return prefix_.driveC() + QStringLiteral("/AudioLog/Histo_QN3_Tools_Vandrel/")
            + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".Log");
    }

    // The day's log; its Windows-1252 letters read as Latin-1 ones.
    QString log() const
    {
        QFile file(logFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }

    // Starts `program` in its folder, as the environment of a test run.
    void start(const QString& program, const QStringList& arguments, const QString& answers, bool quitWhenReady)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QN3_PREFIX"), prefix_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QN3_TEST_ANSWERS"), answers);
        env.insert(QStringLiteral("QN3_SCREENSHOTS"), QCoreApplication::applicationDirPath());
        if (quitWhenReady)
            env.insert(QStringLiteral("QN3_QUIT_WHEN_READY"), QStringLiteral("1"));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(QFileInfo(program).path());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(program, arguments);
    }

    // Starts `program` and waits until it says it is ready.
    bool startUntilReady(const QString& program, const QString& answers)
    {
        start(program, {}, answers, false);
        return process_.waitForStarted(10000)
            && QTest::qWaitFor([&] { return log().contains("Tools Vandrel: Ready"); }, 60000);
    }

    bool finishes() { return process_.waitForFinished(60000) && process_.exitCode() == 0; }

    // The record files the running program holds open, by name.
    QSet<QString> openRecordFiles() const
    {
        QSet<QString> names;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(process_.processId()));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = QFileInfo(fd.symLinkTarget()).fileName();
            if (target.endsWith(QStringLiteral(".bt6"), Qt::CaseInsensitive))
                names.insert(target.toUpper());
        }
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
    const qn3::testing::TempPrefix& prefix_;
    QProcess process_;
};

bool exists(const qn3::testing::TempPrefix& prefix, const QString& relative)
{
    return QFileInfo::exists(prefix.driveC() + u'/' + relative);
}

void makeDemoSite(const qn3::testing::TempPrefix& prefix)
{
    QProcess maker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QN3_PREFIX"), prefix.path());
    maker.setProcessEnvironment(env);
    maker.start(QStringLiteral(QN3_MAKE_DEMO_SITE), {QStringLiteral("--program"), QStringLiteral(QN3_PROGRAM)});
    ASSERT_TRUE(maker.waitForFinished(60000));
    ASSERT_EQ(maker.exitCode(), 0) << maker.readAllStandardError().toStdString();
}

} // namespace

TEST(Program, StartsOnTheDemoSiteWithItsBaseOpenAndFlushesOnTermination)
{
    qn3::testing::TempPrefix prefix;
    ASSERT_NO_FATAL_FAILURE(makeDemoSite(prefix));

    ProgramRun run(prefix);
    ASSERT_TRUE(run.startUntilReady(prefix.driveC() + QStringLiteral("/Sonvarek/Quillon/QN3_Tools_Vandrel"), {}))
        << run.log().toStdString();
    const QSet<QString> open = run.openRecordFiles();
    for (const char* name : {"FRAD000.BT6", "FRAD014.BT6", "FRADA17.BT6", "FRADB17.BT6", "FRADB32.BT6"})
        EXPECT_TRUE(open.contains(QString::fromLatin1(name))) << name;
    run.terminate();

    const QString log = run.log();
    EXPECT_TRUE(log.startsWith("==:==:==:====:=:=:=:")) << log.left(200).toStdString();
    for (const char* line : {"App.Version: ", "Tools Vandrel: Init: Site", "Tools Vandrel: Init: Database",
                             "Data_Folder: C:\\QN_Data\\", "Tools Vandrel: Ready (BaseOuverte: True)",
                             "Fermeture du programme"})
        EXPECT_TRUE(log.contains(line)) << line << '\n' << log.toStdString();
    EXPECT_FALSE(log.contains("Err:")) << log.toStdString();
    EXPECT_TRUE(log.endsWith("\r\n"));
    for (const char* folder : {"Sonvarek/Quillon/Settings/QN3_Config.ini", "Sonvarek/Quillon/Settings/QN3_Tools_Vandrel",
                               "AudioLog/Pub", "Sonvarek/Quillon/Local", "QN_Sons/Pub"})
        EXPECT_TRUE(exists(prefix, QString::fromLatin1(folder))) << folder;
}

TEST(Program, WithoutADatabaseAnswersNoAndStartsWithItsBaseClosed)
{
    qn3::testing::TempPrefix prefix;
    const QString folder = prefix.driveC() + QStringLiteral("/Programs");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QN3_PROGRAM), folder + QStringLiteral("/QN3_Tools_Vandrel")));

    ProgramRun run(prefix);
    ASSERT_TRUE(run.startUntilReady(folder + QStringLiteral("/QN3_Tools_Vandrel"), QStringLiteral("1,7")))
        << run.log().toStdString();
    EXPECT_TRUE(run.openRecordFiles().isEmpty());
    run.terminate();

    const QString log = run.log();
    EXPECT_TRUE(log.contains("Réponse 7 à: Impossible de trouver la base de données")) << log.toStdString();
    EXPECT_TRUE(log.contains("Tools Vandrel: Ready (BaseOuverte: False)")) << log.toStdString();
    // The site settings were made from their defaults beside the program.
    EXPECT_TRUE(exists(prefix, QStringLiteral("Programs/Settings/QN3_Config.ini")));
}

// The shortcut the error routine leaves before it restarts the computer
// starts the installed program, which waits as the shortcut asks and starts.
TEST(Program, ItsStartUpShortcutStartsItAgainAfterTheWaitItAsks)
{
    qn3::testing::TempPrefix prefix;
    ASSERT_NO_FATAL_FAILURE(makeDemoSite(prefix));
    qn3::services::RepApplication = QStringLiteral("C:\\Sonvarek\\Quillon\\");
    int32_t wait = 500;
    qn3::services::CreateShortCutStartUp(true, wait, QStringLiteral("Test"));
    QFile shortcut(qn3::platform::paths::toHost(qn3::services::CheckRep(qn3::platform::specialFolder(
                       qn3::platform::csidl::Startup)) + QString::fromUtf16(qn3::services::kStartUpShortcutName)));
    ASSERT_TRUE(shortcut.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(shortcut.readAll());
    const qsizetype exec = entry.indexOf(QStringLiteral("\nExec="));
    ASSERT_GE(exec, 0) << entry.toStdString();
    const QStringList command =
        QProcess::splitCommand(entry.mid(exec + 6, entry.indexOf(u'\n', exec + 1) - exec - 6));
    ASSERT_EQ(command.size(), 2) << entry.toStdString();

    ProgramRun run(prefix);
    run.start(command[0], command.mid(1), {}, true);
    EXPECT_TRUE(run.finishes());
    EXPECT_TRUE(run.log().contains("Attente de 1000 ms")) << run.log().toStdString();
    EXPECT_TRUE(run.log().contains("Tools Vandrel: Ready (BaseOuverte: True)"));
}
