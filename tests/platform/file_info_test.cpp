#include "platform/file_info.h"

#include "platform_test_files.h"

#include <sys/statvfs.h>

using namespace qn3::platform;

namespace {

class FileInfo : public qn3::testing::DriveCTest {
protected:
    FileInfo() { writeFile("Sons/spot.wav", QByteArray(1234, 'a'), written); }

    const QDateTime written{QDate(2021, 3, 4), QTime(5, 6, 7), Qt::LocalTime};
};

TEST_F(FileInfo, SizeTimesAndFreeSpaceOrTheRuntimeErrorsWhenMissing)
{
    EXPECT_EQ(fileinfo::size(u"C:\\Sons\\spot.wav"), 1234);
    EXPECT_EQ(fileinfo::size(u"C:\\Sons"), 0);
    const fileinfo::FileTimes times = fileinfo::times(u"C:\\Sons\\spot.wav");
    EXPECT_EQ(times.lastWrite, written);
    EXPECT_EQ(times.lastWrite.timeSpec(), Qt::LocalTime);
    EXPECT_TRUE(times.creation.isValid() && times.lastAccess.isValid());
    using qn3::testing::runtimeErrorOf;
    EXPECT_EQ(runtimeErrorOf([] { fileinfo::size(u"C:\\Sons\\none.wav"); }), errors::FileNotFound);
    EXPECT_EQ(runtimeErrorOf([] { fileinfo::times(u"C:\\Nowhere\\none.wav"); }), errors::PathNotFound);

    struct statvfs st {};
    ASSERT_EQ(::statvfs(QFile::encodeName(prefix.driveC()).constData(), &st), 0);
    const double expected = double(st.f_bavail) * double(st.f_frsize);
    // Other programs write meanwhile: allow a little drift, not a wrong formula.
    EXPECT_NEAR(fileinfo::freeBytes(u"C:\\"), expected, 64.0 * 1024 * 1024);
    EXPECT_THROW(fileinfo::freeBytes(u"C:\\Nowhere\\"), RuntimeError);
}

} // namespace
