#include "platform/atomic_file.h"

#include "platform_test_files.h"

#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace qn3::platform;

namespace {

using qn3::testing::contents;

class AtomicFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.path() + u'/' + QLatin1String(name); }
};

TEST_F(AtomicFileTest, ReplacementKeepsModeAndUserAttributesAndLeavesNoTemporaryFile)
{
    const QString target = path("f.ini");
    ASSERT_EQ(atomic_file::replace(target, "old"), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    const char attribute[] = "0x22";
    if (::setxattr(QFile::encodeName(target).constData(), "user.DOSATTRIB", attribute, 4, 0) != 0)
        GTEST_SKIP() << "no extended attributes here";

    ASSERT_EQ(atomic_file::replace(target, "new content"), 0);

    EXPECT_EQ(contents(target), "new content");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    char value[16] = {};
    EXPECT_EQ(::getxattr(QFile::encodeName(target).constData(), "user.DOSATTRIB", value, sizeof value), 4);
    EXPECT_STREQ(value, "0x22");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.ini"});
}

TEST_F(AtomicFileTest, LinkIsFollowedAndKeptAndADanglingOnesTargetIsMade)
{
    ASSERT_EQ(atomic_file::replace(path("real"), "old"), 0);
    ASSERT_TRUE(QFile::link(path("real"), path("link")));
    ASSERT_TRUE(QFile::link(path("made"), path("dangling")));
    for (const char* name : {"link", "dangling"}) {
        ASSERT_EQ(atomic_file::replace(path(name), name), 0);
        EXPECT_TRUE(QFileInfo(path(name)).isSymLink()) << name;
    }
    EXPECT_EQ(contents(path("real")), "link");
    EXPECT_EQ(contents(path("made")), "dangling");
}

TEST_F(AtomicFileTest, NameOfTheLongestLengthCanBeReplacedAndAMissingFolderIsNeverMade)
{
    const QString target = dir.path() + u'/' + QString(250, u'n') + QStringLiteral(".ini");
    ASSERT_EQ(atomic_file::replace(target, "old"), 0);
    ASSERT_EQ(atomic_file::replace(target, "new"), 0);
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    EXPECT_EQ(atomic_file::replace(path("none/f.ini"), "x"), ENOENT);
    EXPECT_FALSE(QFileInfo::exists(path("none")));
}

// A FIFO or a device at the target is neither waited for, read nor replaced,
// and no temporary file is left beside it.
TEST_F(AtomicFileTest, AFifoOrADeviceAtTheTargetIsNeverOpenedNorReplaced)
{
    for (const bool device : {false, true}) {
        const QString target = path(device ? "device.ini" : "fifo.ini");
        if (!qn3::testing::makeSpecial(target, device) && device)
            continue; // making a device node needs root; a FIFO failing to appear fails below
        int error = 0;
        EXPECT_EQ(atomic_file::replace(target, "new"), EPERM) << target.toStdString();
        EXPECT_TRUE(atomic_file::writeTemporary(target, "new", error).isEmpty() && error == EPERM) << error;
        EXPECT_EQ(atomic_file::read(target).status, atomic_file::ReadStatus::NotRegular);
        EXPECT_TRUE(qn3::testing::isSpecial(target, device)) << "still there as it was";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(u".ini.").size(), 0);
}

} // namespace
