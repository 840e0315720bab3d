#include "support/temp_prefix.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

// Starts the built program in a temporary prefix, lets it start up, asks it to
// stop as the system would, and checks what it leaves on disk.
TEST(Program, StartsWritesTheDayLogAndFlushesOnTermination)
{
    qn3::testing::TempPrefix prefix;
    const QString logFolder = prefix.driveC() + QStringLiteral("/AudioLog/Histo_QN3_Tools_Vandrel");
    const QString logFile = logFolder + u'/' + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + ".Log";

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QN3_PREFIX"), prefix.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(QN3_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // The start-up writes its first lines once the settings window is loaded.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(logFile); }, 20000)) << logFile.toStdString();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    QFile file(logFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.startsWith("==:==:==:====:=:=:=:")) << content.left(200).toStdString();
    EXPECT_TRUE(content.contains("Quillon: Tools VANDREL")) << content.toStdString();
    // The closing lines were flushed before the program ended.
    EXPECT_TRUE(content.contains("Fermeture du programme")) << content.toStdString();
    EXPECT_TRUE(content.endsWith("\r\n"));
}
