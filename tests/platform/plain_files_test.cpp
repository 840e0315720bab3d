#include "platform/plain_files.h"
#include "platform/regular_file.h"
#include "platform_test_files.h"
#include "support/bounded_time.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// An open's result owns its descriptor: moved, it has one owner; gone, the
// descriptor is closed, unless it was released. The folder open refuses
// another kind of entry as "not a folder", and only that entry: a missing
// name, or a file on the way to it, is a path not found.
TEST_F(PlainFiles, TheJudgedOpenOwnsItsDescriptorAndTheFolderOpenSaysNotAFolder)
{
    files::append(u"C:\\Logs\\day.Log", "x");
    const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
    int fd = -1;
    {
        regular_file::Opened first = regular_file::open(host("Logs/day.Log"), O_RDONLY);
        fd = first.fd();
        ASSERT_GE(fd, 0);
        regular_file::Opened second = std::move(first);
        EXPECT_EQ(first.fd(), -1);
        EXPECT_EQ(second.fd(), fd);
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd)) << "the descriptor outlived its owner";
    fd = regular_file::open(host("Logs/day.Log"), O_RDONLY).release();
    EXPECT_TRUE(isOpen(fd)) << "a released descriptor was closed";
    ::close(fd);

    const regular_file::Opened folder = regular_file::openFolder(host("Logs"));
    EXPECT_TRUE(folder.fd() >= 0 && S_ISDIR(folder.st.st_mode) && !folder.notFolder);
    struct Row {
        const char* name;
        int error;
        bool notFolder;
    };
    for (const Row& row : {Row{"Logs/day.Log", ENOTDIR, true}, Row{"Logs/day.Log/sub", ENOTDIR, false},
                           Row{"Logs/none", ENOENT, false}}) {
        const regular_file::Opened opened = regular_file::openFolder(host(row.name));
        EXPECT_EQ(opened.fd(), -1) << row.name;
        EXPECT_EQ(opened.error, row.error) << row.name;
        EXPECT_EQ(opened.notFolder, row.notFolder) << row.name;
        EXPECT_FALSE(opened.notRegular) << row.name;
    }
}

} // namespace
} // namespace qn3::platform
