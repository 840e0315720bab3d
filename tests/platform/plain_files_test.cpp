#include "platform/plain_files.h"
#include "platform_test_files.h"

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

} // namespace
} // namespace qn3::platform
