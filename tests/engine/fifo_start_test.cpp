#include "support/temp_prefix.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

// The program started on a demonstration site where one of the files it
// opens by name at start-up is a FIFO: the start ends, ready or refused, in
// bounded time, and says why.
namespace {

using qn3::testing::TempPrefix;

struct FifoCase {
    const char* name;
    const char* file;   // below C:\, "%1" standing for today's date
    const char* reason; // what the day's log (or, for the log itself, standard error) says
};

class FifoStart : public ::testing::TestWithParam<FifoCase> {
protected:
    TempPrefix prefix;

    QString logPath() const
    {
        return prefix.driveC() + "/AudioLog/Histo_QN3_Tools_Vandrel/" + QDate::currentDate().toString("yyyyMMdd")
            + ".Log";
    }
    // The day's log, when it is a file: opening a FIFO to read it would wait.
    QString log() const
    {
        QFile file(logPath());
        return QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll())
                                                                           : QString();
    }
};

TEST_P(FifoStart, EndsReadyInBoundedTimeWithTheReason)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QN3_PREFIX", prefix.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QN3_TEST_ANSWERS", ""); // every question answered by its default at once
    program.setProcessEnvironment(env);
    program.start(QN3_MAKE_DEMO_SITE, {"--program", QN3_PROGRAM});
    ASSERT_TRUE(program.waitForFinished(60000) && program.exitCode() == 0);

    const QString fifo = prefix.driveC() + u'/'
        + QString::fromLatin1(GetParam().file).arg(QDate::currentDate().toString("yyyyMMdd"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(fifo).path()));
    QFile::remove(fifo);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);

    env.insert("QN3_QUIT_WHEN_READY", "1");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(prefix.driveC() + "/Sonvarek/Quillon");
    program.start(prefix.driveC() + "/Sonvarek/Quillon/QN3_Tools_Vandrel");
    const bool ended = program.waitForFinished(30000);
    if (!ended)
        program.kill(); // a hang fails the test rather than the whole run
    ASSERT_TRUE(ended) << "still waiting on the FIFO " << GetParam().file;
    EXPECT_EQ(program.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    const QString told = QFileInfo(logPath()).isFile() ? log() : errors;
    EXPECT_TRUE(told.contains(GetParam().reason)) << told.toStdString();
    if (QFileInfo(logPath()).isFile()) {
        EXPECT_TRUE(told.contains("Tools Vandrel: Ready (BaseOuverte: ")) << told.toStdString();
    }
    EXPECT_FALSE(QFileInfo(fifo).isFile()); // left as it was
}

INSTANTIATE_TEST_SUITE_P(
    StartUpFiles, FifoStart,
    ::testing::Values(FifoCase{"RecordFile", "QN_Data/Frad000.bt6", "Err:12: The MicroKernel cannot find the specified file"},
                      FifoCase{"SiteFile", "Sonvarek/Quillon/Settings/QN3_Config.ini", "QN3_Config.ini (ce n'est pas un fichier ordinaire)"},
                      FifoCase{"PositionsFile",
                               "Sonvarek/Quillon/Settings/QN3_Tools_Vandrel/QN3_Tools_Vandrel_Positions.Ini",
                               "QN3_Tools_Vandrel_Positions.Ini (ce n'est pas un fichier ordinaire)"},
                      FifoCase{"DaysLog", "AudioLog/Histo_QN3_Tools_Vandrel/%1.Log", "is not a regular file: not written"}),
    [](const ::testing::TestParamInfo<FifoCase>& info) { return std::string(info.param.name); });

} // namespace
