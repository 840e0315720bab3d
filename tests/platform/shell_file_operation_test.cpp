#include "platform/shell_file_operation.h"

#include "platform/file_attributes.h"
#include "platform_test_files.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

using namespace qn3::platform;
using namespace qn3::platform::shell;

namespace {

constexpr uint16_t ImportFlags = 5764; // silent, files only, no mkdir question, no error UI, no recursion

class ShellFileOperation : public qn3::testing::DriveCTest {
protected:
    ShellFileOperation()
    {
        QDir(prefix.driveC()).mkpath(QStringLiteral("Src/Sub"));
        writeFile("Src/a.txt", "a");
    }

    static int32_t copy(QStringView from, QStringView to, uint16_t flags = ImportFlags | flags::NoConfirmation)
    {
        return fileOperation({0, operations::Copy, from.toString(), to.toString(), flags});
    }
    static int32_t remove(QStringView from)
    {
        return fileOperation({0, operations::Delete, from.toString(), {}, 1168});
    }

    // Holds a lock on the file the way another program would, until destroyed.
    struct HeldLock {
        HeldLock(const QString& path, short type)
            : fd(::open(QFile::encodeName(path).constData(), type == F_WRLCK ? O_RDWR : O_RDONLY))
        {
            struct flock lock {};
            lock.l_type = type; // from the start, over the whole file
            EXPECT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
        }
        ~HeldLock() { ::close(fd); }
        int fd;
    };
};

TEST_F(ShellFileOperation, CopyMakesMissingFoldersKeepsTimeAndAttributesAndReplacesReadOnlyTargets)
{
    const QDateTime written(QDate(2020, 2, 3), QTime(4, 5, 6), Qt::LocalTime);
    writeFile("Src/spot.wav", "sound", written);
    attributes::set(u"C:\\Src\\spot.wav", attributes::ReadOnly | attributes::Hidden);

    EXPECT_EQ(copy(u"C:\\Src\\spot.wav", u"C:\\New\\Deeper\\copy.wav"), 0);

    EXPECT_EQ(readFile("New/Deeper/copy.wav"), "sound");
    EXPECT_EQ(QFileInfo(host("New/Deeper/copy.wav")).lastModified(), written);
    EXPECT_EQ(attributes::get(u"C:\\New\\Deeper\\copy.wav"),
              attributes::ReadOnly | attributes::Hidden | attributes::Archive);
    EXPECT_EQ(attributes::get(u"C:\\Src\\spot.wav"), attributes::ReadOnly | attributes::Hidden) << "source untouched";
    EXPECT_EQ(QDir(host("New/Deeper")).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file left";

    writeFile("Src/a.ini", "new");
    EXPECT_EQ(copy(u"C:\\Src\\a.ini", u"C:\\New\\Deeper\\copy.wav"), 0) << "the read-only copy is replaced";
    EXPECT_EQ(readFile("New/Deeper/copy.wav"), "new");
}

TEST_F(ShellFileOperation, AnyMissingSourceStopsTheCopyBeforeItStarts)
{
    EXPECT_EQ(copy(u"C:\\Src\\none.txt", u"C:\\Made\\x.txt"), codes::FileNotFound);
    EXPECT_FALSE(exists("Made"));
    EXPECT_EQ(copy(u"C:\\Nowhere\\none.txt", u"C:\\Made\\x.txt"), codes::FileNotFound);
    EXPECT_EQ(copy(QStringLiteral("C:\\Src\\a.txt") + QChar(0) + QStringLiteral("C:\\Src\\none.txt"), u"C:\\Made"),
              codes::FileNotFound);
    EXPECT_FALSE(exists("Made"));
}

TEST_F(ShellFileOperation, WildcardCopiesMatchingFilesIntoTheFolder)
{
    for (const char* name : {"Src/one.WAV", "Src/two.wav", "Src/three.mp3"})
        writeFile(name, "x");
    QDir(host("Src")).mkdir(QStringLiteral("dir.wav"));

    EXPECT_EQ(copy(u"C:\\Src\\*.wav", u"C:\\Out"), 0);
    EXPECT_EQ(QDir(host("Out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("one.WAV"), QStringLiteral("two.wav")}));
    EXPECT_EQ(copy(u"C:\\Src\\*.none", u"C:\\Out"), 0) << "nothing to do";
}

TEST_F(ShellFileOperation, FolderCopyFollowsRecursionAndRefusesItself)
{
    writeFile("Src/Sub/deep.txt", "d");

    EXPECT_EQ(copy(u"C:\\Src", u"C:\\Flat", flags::NoRecursion), 0);
    EXPECT_EQ(readFile("Flat/a.txt"), "a");
    EXPECT_FALSE(exists("Flat/Sub"));

    EXPECT_EQ(copy(u"C:\\Src", u"C:\\Tree", 0), 0);
    EXPECT_EQ(readFile("Tree/Sub/deep.txt"), "d");

    EXPECT_EQ(copy(u"C:\\Src", u"C:\\Src\\Sub\\Again", 0), codes::DestinationInsideSource);
    EXPECT_EQ(copy(u"C:\\Src\\a.txt", u"C:\\Src\\a.txt"), codes::SameFile);
    EXPECT_EQ(readFile("Src/a.txt"), "a");
}

TEST_F(ShellFileOperation, FileInUseByAnotherProgramGivesSharingViolation)
{
    writeFile("Src/busy.wav", "busy");
    {
        HeldLock writer(host("Src/busy.wav"), F_WRLCK);
        EXPECT_EQ(copy(u"C:\\Src\\busy.wav", u"C:\\busy.wav"), codes::SharingViolation);
        EXPECT_EQ(remove(u"C:\\Src\\busy.wav"), codes::SharingViolation);
    }
    {
        HeldLock reader(host("Src/busy.wav"), F_RDLCK);
        EXPECT_EQ(copy(u"C:\\Src\\busy.wav", u"C:\\busy.wav"), 0) << "readers share";
        EXPECT_EQ(remove(u"C:\\Src\\busy.wav"), codes::SharingViolation);
    }
    EXPECT_EQ(readFile("Src/busy.wav"), "busy");
}

// A FIFO or a device is neither opened as a source nor replaced as a target:
// the copy gives 5 and leaves both sides as they were.
TEST_F(ShellFileOperation, AFifoOrADeviceIsNeitherCopiedNorCopiedOver)
{
    for (const bool device : {false, true}) {
        const QString name = device ? QStringLiteral("device.wav") : QStringLiteral("fifo.wav");
        if (!qn3::testing::makeSpecial(host(QStringLiteral("Src/") + name), device) && device)
            continue; // making a device node needs root; a FIFO failing to appear fails below
        qn3::testing::makeSpecial(host(name), device);
        EXPECT_EQ(copy(QStringLiteral("C:\\Src\\") + name, QStringLiteral("C:\\copy.wav")), codes::AccessDenied);
        EXPECT_EQ(copy(u"C:\\Src\\a.txt", QStringLiteral("C:\\") + name), codes::AccessDenied) << name.toStdString();
        for (const QString& special : {host(QStringLiteral("Src/") + name), host(name)})
            EXPECT_TRUE(qn3::testing::isSpecial(special, device)) << special.toStdString();
    }
    EXPECT_FALSE(exists("copy.wav"));
    EXPECT_EQ(QDir(host("")).entryList({QStringLiteral("*.copy-*")}, QDir::Files | QDir::Hidden).size(), 0);
}

// Stand-ins for sendfile(2): a kernel or a file system that refuses it with
// `Error`, at once or once a part of the file went through it.
template <int Error>
ssize_t refusing(int, int, off_t*, size_t)
{
    errno = Error;
    return -1;
}
constexpr off_t kPartSent = 1000;
ssize_t refusingAfterAPart(int out, int in, off_t* offset, size_t count)
{
    if (::lseek(in, 0, SEEK_CUR) >= kPartSent)
        return refusing<EINVAL>(out, in, offset, count);
    return ::sendfile(out, in, offset, std::min<size_t>(count, kPartSent));
}

// Where the kernel's copy is refused, the copy reads and writes instead and
// the target is the source byte for byte, also when a part went through the
// kernel first; any other failure is the shell's code and leaves nothing.
TEST_F(ShellFileOperation, ACopyTheKernelRefusesIsReadAndWrittenWhole)
{
    QByteArray sound(300 * 1024 + 7, 0);
    QRandomGenerator(26).fillRange(reinterpret_cast<quint32*>(sound.data()), sound.size() / 4);
    writeFile("Src/spot.wav", sound);
    const struct {
        const char* name;
        FileOperations::SendFile send;
        int32_t code;
    } rows[] = {
        {"the kernel copies", ::sendfile, codes::Success},
        {"refused (EINVAL)", refusing<EINVAL>, codes::Success},
        {"not in this kernel (ENOSYS)", refusing<ENOSYS>, codes::Success},
        {"refused after a part", refusingAfterAPart, codes::Success},
        {"the disk is full", refusing<ENOSPC>, codes::DiskFull},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<FileOperations> operations = FileOperations::standardWith(row.send);
        const ScopedInstall<FileOperations> install(*operations);
        ASSERT_TRUE(QDir(host("Out")).removeRecursively());
        EXPECT_EQ(copy(u"C:\\Src\\spot.wav", u"C:\\Out\\spot.wav"), row.code);
        EXPECT_EQ(readFile("Out/spot.wav"), row.code == codes::Success ? sound : QByteArray("<missing>"));
        EXPECT_EQ(QDir(host("Out")).entryList(QDir::Files | QDir::Hidden).size(), row.code == codes::Success ? 1 : 0);
    }
}

TEST_F(ShellFileOperation, CopyMakesFoldersInsideAShareButNeverTheShareItself)
{
    const QString unc = prefix.path() + QStringLiteral("/dosdevices/unc");
    ASSERT_TRUE(QDir().mkpath(unc + QStringLiteral("/pc/Data")));

    EXPECT_EQ(copy(u"C:\\Src\\a.txt", u"\\\\PC\\Data\\New\\a.txt"), 0);
    EXPECT_TRUE(QFileInfo::exists(unc + QStringLiteral("/pc/Data/New/a.txt")));
    EXPECT_EQ(copy(u"\\\\PC\\Data\\New\\a.txt", u"C:\\Src\\b.txt"), 0)
        << "a file of an existing share is a source like any other";
    EXPECT_EQ(readFile("Src/b.txt"), "a");

    // Forward slashes name a share as well.
    for (const char16_t* target : {u"\\\\PC\\Gone\\New\\a.txt", u"\\\\Nobody\\Data\\a.txt", u"//PC/Slash/New/a.txt"})
        EXPECT_EQ(copy(u"C:\\Src\\a.txt", target), codes::BadNetPath) << QString::fromUtf16(target).toStdString();
    const QDir::Filters all = QDir::AllEntries | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(unc).entryList(all) + QDir(unc + "/pc").entryList(all), QStringList({"pc", "Data"}));
}

TEST_F(ShellFileOperation, DeleteAndBadRequestsGiveTheShellCodesNotExceptions)
{
    writeFile("Src/Sub/b.txt", "b");
    attributes::set(u"C:\\Src\\a.txt", attributes::ReadOnly);

    EXPECT_EQ(remove(u"C:\\Src\\none.txt"), codes::FileNotFound);
    EXPECT_EQ(remove(u"C:\\Nowhere\\none.txt"), codes::InvalidFiles);
    EXPECT_EQ(remove(u"C:\\Src\\*.none"), 0);
    EXPECT_EQ(remove(QStringLiteral("C:\\Src\\a.txt") + QChar(0) + QStringLiteral("C:\\Src\\none.txt")),
              codes::FileNotFound);
    EXPECT_TRUE(exists("Src/a.txt")) << "nothing deleted when one name is missing";

    EXPECT_EQ(remove(u"C:\\Src\\a.txt"), 0) << "read-only files go too";
    EXPECT_EQ(remove(u"C:\\Src\\Sub"), 0);
    EXPECT_FALSE(exists("Src/Sub"));
    EXPECT_EQ(fileOperation({0, 1, QStringLiteral("C:\\Src"), QStringLiteral("C:\\X"), 0}), codes::InvalidParameter);
    EXPECT_EQ(remove(QString()), codes::InvalidParameter);
    // A relative name is taken from the current folder, as the shell does.
    EXPECT_EQ(remove(u"no such relative name"), codes::FileNotFound);
    EXPECT_EQ(remove(u"C:\\bad|name.txt"), codes::UnknownError);
    EXPECT_EQ(remove(u"Q:\\no drive.txt"), codes::PathNotFound);
}

TEST_F(ShellFileOperation, RootsAreNeverDeletedOrCopiedAndALinkedFolderLosesOnlyItsLink)
{
    QDir(prefix.path()).mkpath(QStringLiteral("dosdevices/unc/Server/Share"));
    for (const char16_t* root : {u"C:\\", u"C:", u"C:\\Src\\..\\..", u"\\\\Server\\Share\\"}) {
        EXPECT_EQ(remove(root), codes::RootFolder) << QString::fromUtf16(root).toStdString();
        EXPECT_EQ(copy(root, u"C:\\Src\\Copy\\"), codes::RootFolder) << QString::fromUtf16(root).toStdString();
    }
    EXPECT_EQ(readFile("Src/a.txt"), "a");
    EXPECT_FALSE(exists("Src/Copy"));

    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    qn3::testing::put(outside.filePath(QStringLiteral("kept.txt")), "kept");
    ASSERT_TRUE(QFile::link(outside.path(), host("Link")));

    EXPECT_EQ(remove(u"C:\\Link\\"), 0);
    EXPECT_TRUE(QFileInfo::exists(outside.filePath(QStringLiteral("kept.txt"))));
    EXPECT_FALSE(QFileInfo(host("Link")).isSymLink());
}

} // namespace
