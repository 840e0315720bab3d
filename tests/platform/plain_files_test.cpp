#include "platform/plain_files.h"
#include "platform_test_files.h"
#include "support/bounded_time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::platform {
namespace {

class PlainFiles : public testing::DriveCTest {
protected:
    PlainFiles() { QDir().mkpath(host("Logs")); }
};

TEST_F(PlainFiles, AppendMakesTheFileThenAddsToItWhateverTheCaseOfItsFolder)
{
    files::append(u"C:\\logs\\day.Log", "one\r\n");
    files::append(u"C:\\LOGS\\day.Log", "two\r\n");
    EXPECT_EQ(readFile("Logs/day.Log"), "one\r\ntwo\r\n");
    EXPECT_EQ(testing::runtimeErrorOf([] { files::append(u"C:\\Missing\\day.Log", "x"); }), errors::PathNotFound);
}

TEST_F(PlainFiles, RemoveExistenceOneLevelFoldersAndSizesOfFilesOnly)
{
    files::append(u"C:\\Logs\\old.Log", "x");
    EXPECT_TRUE(files::exists(u"C:\\Logs\\OLD.log"));
    EXPECT_FALSE(files::isFolder(u"C:\\Logs\\old.Log"));
    files::remove(u"C:\\Logs\\old.Log");
    EXPECT_FALSE(files::exists(u"C:\\Logs\\old.Log"));
    EXPECT_EQ(testing::runtimeErrorOf([] { files::remove(u"C:\\Logs\\old.Log"); }), errors::FileNotFound);
    EXPECT_EQ(testing::runtimeErrorOf([] { files::remove(u"C:\\Missing\\old.Log"); }), errors::PathNotFound);

    files::makeFolder(u"C:\\Logs\\Sub");
    files::makeFolder(u"C:\\Logs\\Sub");
    EXPECT_TRUE(files::isFolder(u"C:\\Logs\\Sub"));
    EXPECT_EQ(testing::runtimeErrorOf([] { files::makeFolder(u"C:\\No\\Such\\Level"); }), errors::PathNotFound);

    files::append(u"C:\\Logs\\five.txt", "12345");
    EXPECT_EQ(files::readableSize(u"C:\\Logs\\five.txt"), 5);
    EXPECT_EQ(files::readableSize(u"C:\\Logs"), std::nullopt);
    EXPECT_EQ(files::readableSize(u"C:\\Logs\\none.txt"), std::nullopt);
}

// A FIFO is never opened blocking: without a reader the open would wait for
// one, with a reader the bytes would go to it. Either way it is refused.
TEST_F(PlainFiles, AFifoIsNeitherAppendedToNorSizedWithOrWithoutAReader)
{
    const QByteArray fifo = QFile::encodeName(host("Logs/day.Log"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0666), 0);
    const auto refused = [] {
        return testing::runtimeErrorOf([] { files::append(u"C:\\Logs\\day.Log", "x"); })
            == errors::PathFileAccessError;
    };
    EXPECT_TRUE(qn3::testing::finishesWithin(std::chrono::seconds(10), [&] {
        return !files::readableSize(u"C:\\Logs\\day.Log") && refused();
    }));
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(qn3::testing::finishesWithin(std::chrono::seconds(10), refused));
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0); // nothing reached the reader
    ::close(reader);
}

} // namespace
} // namespace qn3::platform
