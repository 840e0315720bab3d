#include "platform/shell_file_operation.h"

#include "platform/file_attributes.h"
#include "platform/windows_path.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace qn3::platform;
using namespace qn3::platform::shell;

namespace {

constexpr uint16_t ImportFlags = 5764; // silent, files only, no mkdir question, no error UI, no recursion

class ShellFileOperation : public ::testing::Test {
protected:
    void SetUp() override
    {
        paths::toHost(u"C:\\");
        QDir(prefix.driveC()).mkpath(QStringLiteral("Src/Sub"));
    }

    QString host(const QString& relative) const { return prefix.driveC() + u'/' + relative; }

    void write(const QString& relative, const QByteArray& content)
    {
        QFile file(host(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray read(const QString& relative) const
    {
        QFile file(host(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static int32_t copy(const QString& from, const QString& to, uint16_t flags = ImportFlags | flags::NoConfirmation)
    {
        return fileOperation({0, operations::Copy, from, to, flags});
    }

    static int32_t remove(const QString& from) { return fileOperation({0, operations::Delete, from, {}, 1168}); }

    // Holds a lock on the file the way another program would, until destroyed.
    struct HeldLock {
        HeldLock(const QString& path, short type)
            : fd(::open(QFile::encodeName(path).constData(), type == F_WRLCK ? O_RDWR : O_RDONLY))
        {
            struct flock lock {};
            lock.l_type = type;
            lock.l_whence = SEEK_SET;
            EXPECT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
        }
        ~HeldLock() { ::close(fd); }
        int fd;
    };

    qn3::testing::TempPrefix prefix;
};

TEST_F(ShellFileOperation, CopyMakesMissingFoldersAndKeepsTimeAndAttributes)
{
    write(QStringLiteral("Src/spot.wav"), "sound");
    const QDateTime written(QDate(2020, 2, 3), QTime(4, 5, 6), Qt::LocalTime);
    {
        QFile file(host(QStringLiteral("Src/spot.wav")));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    }
    attributes::set(u"C:\\Src\\spot.wav", attributes::ReadOnly | attributes::Hidden);

    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\spot.wav"), QStringLiteral("C:\\New\\Deeper\\copy.wav")), 0);

    EXPECT_EQ(read(QStringLiteral("New/Deeper/copy.wav")), "sound");
    EXPECT_EQ(QFileInfo(host(QStringLiteral("New/Deeper/copy.wav"))).lastModified(), written);
    EXPECT_EQ(attributes::get(u"C:\\New\\Deeper\\copy.wav"),
              attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    EXPECT_EQ(attributes::get(u"C:\\Src\\spot.wav"), attributes::ReadOnly | attributes::Hidden) << "source untouched";
    EXPECT_EQ(QDir(host(QStringLiteral("New/Deeper"))).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left";
}

TEST_F(ShellFileOperation, CopyReplacesAnExistingReadOnlyTarget)
{
    write(QStringLiteral("Src/a.ini"), "new");
    write(QStringLiteral("old.ini"), "old");
    attributes::set(u"C:\\old.ini", attributes::ReadOnly);
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.ini"), QStringLiteral("C:\\old.ini")), 0);
    EXPECT_EQ(read(QStringLiteral("old.ini")), "new");
}

TEST_F(ShellFileOperation, AnyMissingSourceStopsTheCopyBeforeItStarts)
{
    write(QStringLiteral("Src/a.txt"), "a");
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\none.txt"), QStringLiteral("C:\\Made\\x.txt")), codes::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Made"))));
    EXPECT_EQ(copy(QStringLiteral("C:\\Nowhere\\none.txt"), QStringLiteral("C:\\Made\\x.txt")), codes::FileNotFound);

    const QString both = QStringLiteral("C:\\Src\\a.txt") + QChar(0) + QStringLiteral("C:\\Src\\none.txt");
    EXPECT_EQ(copy(both, QStringLiteral("C:\\Made")), codes::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Made"))));
}

TEST_F(ShellFileOperation, WildcardCopiesMatchingFilesIntoTheFolder)
{
    write(QStringLiteral("Src/one.WAV"), "1");
    write(QStringLiteral("Src/two.wav"), "2");
    write(QStringLiteral("Src/three.mp3"), "3");
    QDir(host(QStringLiteral("Src"))).mkdir(QStringLiteral("dir.wav"));

    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\*.wav"), QStringLiteral("C:\\Out")), 0);
    EXPECT_EQ(QDir(host(QStringLiteral("Out"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("one.WAV"), QStringLiteral("two.wav")}));
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\*.none"), QStringLiteral("C:\\Out")), 0) << "nothing to do";
}

TEST_F(ShellFileOperation, FolderCopyFollowsRecursionAndRefusesItself)
{
    write(QStringLiteral("Src/top.txt"), "t");
    write(QStringLiteral("Src/Sub/deep.txt"), "d");

    EXPECT_EQ(copy(QStringLiteral("C:\\Src"), QStringLiteral("C:\\Flat"), flags::NoRecursion), 0);
    EXPECT_EQ(read(QStringLiteral("Flat/top.txt")), "t");
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Flat/Sub"))));

    EXPECT_EQ(copy(QStringLiteral("C:\\Src"), QStringLiteral("C:\\Tree"), 0), 0);
    EXPECT_EQ(read(QStringLiteral("Tree/Sub/deep.txt")), "d");

    EXPECT_EQ(copy(QStringLiteral("C:\\Src"), QStringLiteral("C:\\Src\\Sub\\Again"), 0), codes::DestinationInsideSource);
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\top.txt"), QStringLiteral("C:\\Src\\top.txt")), codes::SameFile);
    EXPECT_EQ(read(QStringLiteral("Src/top.txt")), "t");
}

TEST_F(ShellFileOperation, FileInUseByAnotherProgramGivesSharingViolation)
{
    write(QStringLiteral("Src/busy.wav"), "busy");
    {
        HeldLock writer(host(QStringLiteral("Src/busy.wav")), F_WRLCK);
        EXPECT_EQ(copy(QStringLiteral("C:\\Src\\busy.wav"), QStringLiteral("C:\\busy.wav")), codes::SharingViolation);
        EXPECT_EQ(remove(QStringLiteral("C:\\Src\\busy.wav")), codes::SharingViolation);
    }
    {
        HeldLock reader(host(QStringLiteral("Src/busy.wav")), F_RDLCK);
        EXPECT_EQ(copy(QStringLiteral("C:\\Src\\busy.wav"), QStringLiteral("C:\\busy.wav")), 0) << "readers share";
        EXPECT_EQ(remove(QStringLiteral("C:\\Src\\busy.wav")), codes::SharingViolation);
    }
    EXPECT_EQ(read(QStringLiteral("Src/busy.wav")), "busy");
}

TEST_F(ShellFileOperation, CopyMakesFoldersInsideAShareButNeverTheShareItself)
{
    write(QStringLiteral("Src/a.txt"), "a");
    const QString unc = prefix.path() + QStringLiteral("/dosdevices/unc");
    ASSERT_TRUE(QDir().mkpath(unc + QStringLiteral("/pc/Data")));

    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.txt"), QStringLiteral("\\\\PC\\Data\\New\\a.txt")), 0);
    EXPECT_TRUE(QFileInfo::exists(unc + QStringLiteral("/pc/Data/New/a.txt")));
    EXPECT_EQ(copy(QStringLiteral("\\\\PC\\Data\\New\\a.txt"), QStringLiteral("C:\\Src\\b.txt")), 0)
        << "a file of an existing share is a source like any other";
    EXPECT_EQ(read(QStringLiteral("Src/b.txt")), "a");

    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.txt"), QStringLiteral("\\\\PC\\Gone\\New\\a.txt")),
              codes::BadNetPath);
    EXPECT_FALSE(QFileInfo::exists(unc + QStringLiteral("/pc/Gone")));
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.txt"), QStringLiteral("\\\\Nobody\\Data\\a.txt")),
              codes::BadNetPath);
    EXPECT_FALSE(QFileInfo::exists(unc + QStringLiteral("/Nobody")));
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.txt"), QStringLiteral("//PC/Slash/New/a.txt")), codes::BadNetPath)
        << "forward slashes name a share as well";
    EXPECT_FALSE(QFileInfo::exists(unc + QStringLiteral("/pc/Slash")));
}

TEST_F(ShellFileOperation, DeleteGivesTheShellCodes)
{
    write(QStringLiteral("Src/a.txt"), "a");
    write(QStringLiteral("Src/Sub/b.txt"), "b");
    attributes::set(u"C:\\Src\\a.txt", attributes::ReadOnly);

    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\none.txt")), codes::FileNotFound);
    EXPECT_EQ(remove(QStringLiteral("C:\\Nowhere\\none.txt")), codes::InvalidFiles);
    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\*.none")), 0);
    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\a.txt") + QChar(0) + QStringLiteral("C:\\Src\\none.txt")),
              codes::FileNotFound);
    EXPECT_TRUE(QFileInfo::exists(host(QStringLiteral("Src/a.txt")))) << "nothing deleted when one name is missing";

    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\a.txt")), 0) << "read-only files go too";
    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\Sub")), 0);
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Src/Sub"))));
}

TEST_F(ShellFileOperation, DriveAndShareRootsAreNeverDeletedOrCopied)
{
    write(QStringLiteral("Src/a.txt"), "a");
    QDir(prefix.path()).mkpath(QStringLiteral("dosdevices/unc/Server/Share"));
    for (const QString& root : {QStringLiteral("C:\\"), QStringLiteral("C:"), QStringLiteral("C:\\Src\\..\\.."),
                                QStringLiteral("\\\\Server\\Share\\")}) {
        EXPECT_EQ(remove(root), codes::RootFolder) << root.toStdString();
        EXPECT_EQ(copy(root, QStringLiteral("C:\\Src\\Copy\\")), codes::RootFolder) << root.toStdString();
    }
    EXPECT_EQ(read(QStringLiteral("Src/a.txt")), "a");
    EXPECT_FALSE(QFileInfo::exists(host(QStringLiteral("Src/Copy"))));
}

TEST_F(ShellFileOperation, DeletingALinkedFolderRemovesTheLinkNotWhatItPointsTo)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    QFile kept(outside.filePath(QStringLiteral("kept.txt")));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.close();
    ASSERT_TRUE(QFile::link(outside.path(), host(QStringLiteral("Link"))));

    EXPECT_EQ(remove(QStringLiteral("C:\\Link\\")), 0);
    EXPECT_TRUE(QFileInfo::exists(outside.filePath(QStringLiteral("kept.txt"))));
    EXPECT_FALSE(QFileInfo(host(QStringLiteral("Link"))).isSymLink());
}

TEST_F(ShellFileOperation, BadRequestsGiveCodesNotExceptions)
{
    EXPECT_EQ(fileOperation({0, 1, QStringLiteral("C:\\Src"), QStringLiteral("C:\\X"), 0}), codes::InvalidParameter);
    EXPECT_EQ(remove(QString()), codes::InvalidParameter);
    // A relative name is taken from the current folder, as the shell does.
    EXPECT_EQ(remove(QStringLiteral("no such relative name")), codes::FileNotFound);
    EXPECT_EQ(remove(QStringLiteral("C:\\bad|name.txt")), codes::UnknownError);
    EXPECT_EQ(remove(QStringLiteral("Q:\\no drive.txt")), codes::PathNotFound);
}

} // namespace
