#include "services/file_operations.h"
#include "services/ini_access.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"
#include "support/bounded_time.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

// A FIFO (or a device) where the program expects one of its files: nothing
// may wait on it for ever. Each call runs in a child process that is given a
// few seconds; a call that blocks fails the test instead of hanging it.
namespace qn3::services {
namespace {

using namespace std::chrono_literals;

struct FifoFilesTest : testing::ServicesTest {
    // Makes a FIFO at a Windows path, its folders with it.
    void makeFifo(const QString& windowsPath) const
    {
        const QString path = host(windowsPath);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    }
};

TEST_F(FifoFilesTest, ExistenceSizeDateAndIniWritesAnswerAtOnce)
{
    const QString fifo = "C:\\Settings\\QN3_Config.ini";
    makeFifo(fifo);
    // It is an entry, as find-first sees it, but nothing can be read from it.
    EXPECT_TRUE(testing::finishesWithin(10s, [&] {
        return File_Exist(fifo, "Test:Proc", true) && File_Exist(fifo, "Test:Proc", false)
            && TailleDuFichier(fifo) == -1;
    }));
    EXPECT_TRUE(testing::finishesWithin(10s, [&] {
        return !EcritureIni(fifo, "Site", "NoBase", "1") && LectureIni(fifo, "Site", "NoBase", "d") == u"d";
    }));
    EXPECT_TRUE(testing::finishesWithin(10s, [&] {
        DateModificationFichier(fifo, false);
        return TailleDernierFichier == 0;
    }));
    EXPECT_TRUE(QFileInfo(host(fifo)).exists() && !QFileInfo(host(fifo)).isFile()); // left as it was
}

TEST_F(FifoFilesTest, ADaysLogThatIsAFifoIsRefusedWithAReasonAndTheBatchIsKept)
{
    loadSettings();
    makeFifo(RepLogs + todayLogName());
    EXPECT_TRUE(testing::finishesWithin(10s, [&] {
        TraceLog(-1, -1, -1, "line", false, true);
        TraceLogForce();
        // The batch waits for a file that can take it; the refusal is told.
        const ListBox& kept = FrmSetup().ListeLog;
        return kept.ListCount() > 1 && kept.lines().join('\n').contains("Err:75")
            && kept.lines().join('\n').contains("is not a regular file");
    }));
}

} // namespace
} // namespace qn3::services
