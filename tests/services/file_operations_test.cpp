#include "platform/file_attributes.h"
#include "services/file_operations.h"
#include "services/shared_values.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

namespace attributes = platform::attributes;

class FileOperationsTest : public testing::ServicesTest {
protected:
    const QString label = QStringLiteral("Test:Proc");
    int incidents() const { return Frm_Main().ListeIncidents0.ListCount(); }
};

// ---- Copy ------------------------------------------------------------------

TEST_F(FileOperationsTest, CopyMakesMissingTargetFoldersAndReplacesTheTarget)
{
    writeFile(QStringLiteral("C:\\In\\a.mp3"), "sound");
    writeFile(QStringLiteral("C:\\Out\\x.mp3"), "old");
    EXPECT_TRUE(File_Copy(QStringLiteral("C:\\In\\a.mp3"), QStringLiteral("C:\\Out\\_Bkp\\Deep\\a.mp3"), kOptionsCopieSansErreur, 0));
    EXPECT_TRUE(File_Copy(QStringLiteral("C:\\In\\a.mp3"), QStringLiteral("C:\\Out\\x.mp3"), kOptionsCopie, 0));
    EXPECT_EQ(readFile(QStringLiteral("C:\\Out\\_Bkp\\Deep\\a.mp3")), QByteArray("sound"));
    EXPECT_EQ(readFile(QStringLiteral("C:\\Out\\x.mp3")), QByteArray("sound"));
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FileOperationsTest, CopyRefusesBlankEmptyAndMissingSourcesWithWarnings)
{
    writeFile(QStringLiteral("C:\\In\\empty.mp3"), "");
    EXPECT_FALSE(File_Copy(QStringLiteral("  "), QStringLiteral("C:\\Out\\a"), kOptionsCopie, 0));
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\In\\empty.mp3"), QStringLiteral("C:\\Out\\a"), kOptionsCopie, 0));
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\In\\track.GPX"), QStringLiteral("C:\\Out\\a"), kOptionsCopie, 0));
    EXPECT_EQ(traced(), QStringList({QStringLiteral("Warning: File_Copy: File name null"),
                                     QStringLiteral("Warning: File_Copy: File not found: C:\\In\\empty.mp3")}));
    EXPECT_FALSE(QFile::exists(host(QStringLiteral("C:\\Out\\"))));
    EXPECT_EQ(incidents(), 0);
}

TEST_F(FileOperationsTest, FailedCopyTracesAnIncidentAndTheFreeSpaceOfALocalTarget)
{
    writeFile(QStringLiteral("C:\\In\\a.mp3"), "sound");
    writeFile(QStringLiteral("C:\\Bloc"), "a file, not a folder");
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\In\\a.mp3"), QStringLiteral("C:\\Bloc\\a.mp3"), kOptionsCopie, 0));
    const QStringList lines = traced();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("File_Copy: Err: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("C:\\In\\a.mp3  Target: C:\\Bloc\\a.mp3"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Free space for C:\\: "))) << lines[1].toStdString();
    EXPECT_EQ(incidents(), 1);
}

TEST_F(FileOperationsTest, FailedCopyOntoANetworkPathGivesNoFreeSpaceLine)
{
    writeFile(QStringLiteral("C:\\In\\a.mp3"), "sound");
    writeFile(QStringLiteral("\\\\PC\\Share\\Bloc"), "a file, not a folder");
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\In\\a.mp3"), QStringLiteral("\\\\PC\\Share\\Bloc\\a.mp3"), kOptionsCopie, 0));
    const QStringList lines = traced();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("File_Copy: Err: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("  Target: \\\\PC\\Share\\Bloc\\a.mp3"))) << lines[0].toStdString();
}

// ---- Delete ----------------------------------------------------------------

TEST_F(FileOperationsTest, DeleteRemovesTheFileAndWordsFailuresWithTheCallerChain)
{
    writeFile(QStringLiteral("C:\\In\\a.dat"), "x");
    EXPECT_TRUE(File_Delete(QStringLiteral("C:\\In\\a.dat"), label, 0, 0));
    EXPECT_FALSE(QFile::exists(host(QStringLiteral("C:\\In\\a.dat"))));
    EXPECT_FALSE(File_Delete(QStringLiteral("C:\\In\\a.dat"), label, 0, 0));
    EXPECT_FALSE(File_Delete(QStringLiteral(" "), label, 0, 0));
    EXPECT_EQ(traced(), QStringList({QStringLiteral("File_Delete: Warning: 2 |File not found: C:\\In\\a.dat |Sub: "
                                                    "Test:Proc>Lib_Systeme:File_Delete"),
                                     QStringLiteral("Warning: File_Delete: File name null |Sub: Test:Proc>Lib_Systeme:File_Delete")}));
    EXPECT_EQ(incidents(), 0);
}

// ---- Existence and size ------------------------------------------------------

TEST_F(FileOperationsTest, ExistFollowsFindFirstFile)
{
    writeFile(QStringLiteral("C:\\Sons\\MES01.mp3"), "x");
    writeFile(QStringLiteral("C:\\Sons\\vide.mp3"), "");
    QDir().mkpath(host(QStringLiteral("C:\\Vide\\")));
    const struct {
        const char16_t* name;
        bool nonVide;
        bool found;
    } table[] = {
        {u"C:\\Sons\\MES01.mp3", true, true},
        {u"  c:\\sons\\mes01.MP3  ", true, true},  // trimmed, any case
        {u"C:\\Sons\\MES01 .mp3", true, true},     // blank before the dot
        {u"C:\\Sons\\MES01  .mp3", true, true},    // several blanks
        {u"C:\\Sons", false, true},                // a folder without backslash
        {u"C:\\Sons\\", false, false},             // with it
        {u"C:\\Sons\\MES*.mp3", false, true},      // a wildcard matching
        {u"C:\\Sons\\JIN*.mp3", false, false},
        {u"C:\\Sons\\vide.mp3", false, true},
        {u"C:\\Sons\\vide.mp3", true, false},      // empty counts as missing
        {u"C:\\Absent\\a.mp3", false, false},
        {u"C:\\Vide\\*", false, true},          // an empty folder still holds "."
        {u"C:\\Vide\\*.*", false, true},
        {u"C:\\Vide\\*.mp3", false, false},
        {u"C:\\Absent\\*", false, false},
        {u"", false, false},
    };
    for (const auto& row : table) {
        const QString name = QString::fromUtf16(row.name);
        EXPECT_EQ(File_Exist(name, label, row.nonVide), row.found) << name.toStdString() << " nonVide " << row.nonVide;
    }
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FileOperationsTest, SizeIsTheByteCountOrMinusOne)
{
    writeFile(QStringLiteral("C:\\Sons\\a.mp3"), QByteArray(1500, 'x'));
    EXPECT_EQ(TailleDuFichier(QStringLiteral("C:\\Sons\\a.mp3")), 1500);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("C:\\Sons\\absent.mp3")), -1);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("C:\\Sons")), -1);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("C:\\Sons\\a?.mp3")), -1);
}

TEST_F(FileOperationsTest, FreeSpaceOfADriveRootOrZero)
{
    EXPECT_GT(EspaceLibreDisque(QStringLiteral("C:\\")), 0.0);
    EXPECT_EQ(EspaceLibreDisque(QStringLiteral(" ")), 0.0);
    EXPECT_EQ(EspaceLibreDisque(QStringLiteral("Q:\\")), 0.0);
}

// ---- Wording a size ----------------------------------------------------------

class LibSizeTest : public ::testing::Test {
protected:
    LibSizeTest() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    ~LibSizeTest() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(LibSizeTest, WordsTheCountInTheLargestUnitWithRegionalSeparators)
{
    const QString group = QLocale().groupSeparator();
    const double ko = 1024;
    const struct {
        double value;
        QString text;
    } table[] = {
        {0, QStringLiteral("0,00 Octets")},
        {1023, QStringLiteral("1") + group + QStringLiteral("023,00 Octets")},
        {ko, QStringLiteral("1,00 Ko")},
        {1536, QStringLiteral("1,50 Ko")},
        {ko * ko, QStringLiteral("1,00 Mo")},
        {ko * ko * ko * 5.25, QStringLiteral("5,25 Go")},
        {std::pow(ko, 8) * 3, QStringLiteral("3,00 Yo")},
        {std::pow(ko, 9), QString()},
    };
    for (const auto& row : table)
        EXPECT_EQ(LibSize(row.value), row.text) << row.value;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(LibSize(1536), QStringLiteral("1.50 Ko"));
}

// ---- File date ---------------------------------------------------------------

class DateModificationFichierTest : public FileOperationsTest {
protected:
    DateModificationFichierTest()
    {
        facts.offsetMinutes = 60;
        RepLocal[0] = QStringLiteral("C:\\Local\\");
        QDir().mkpath(host(RepLocal[0]));
        writeFile(spot, QByteArray(2048, 's'));
        QFile file(host(spot));
        file.open(QIODevice::ReadWrite);
        file.setFileTime(written, QFileDevice::FileModificationTime);
    }
    bool tmpLeft() const { return QFile::exists(host(QStringLiteral("C:\\Local\\File.tmp"))); }

    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> installFacts{facts};
    const QString spot = QStringLiteral("C:\\Sons\\MES000123.mp3");
    const QDateTime written = QDateTime(QDate(2024, 1, 15), QTime(8, 30, 0), Qt::UTC);
    // The UTC time plus the 60 minutes, as wall-clock fields.
    const QDateTime expected = QDateTime(QDate(2024, 1, 15), QTime(9, 30, 0), Qt::LocalTime);
};

TEST_F(DateModificationFichierTest, GivesTheUtcTimePlusTheOffsetAndLeavesTheSize)
{
    EXPECT_EQ(DateModificationFichier(spot, false), expected);
    EXPECT_EQ(TailleDernierFichier, 2048);
    EXPECT_FALSE(tmpLeft());
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(DateModificationFichierTest, TheOffsetIsReadOnceForTheRun)
{
    DateModificationFichier(spot, false);
    facts.offsetMinutes = 120;
    EXPECT_EQ(DateModificationFichier(spot, false), expected);
    EXPECT_EQ(facts.offsetQuestions, 1);
}

TEST_F(DateModificationFichierTest, AFileInUseIsDatedThroughATemporaryCopy)
{
    // Another program holds the file open, sharing reads only.
    const int fd = ::open(host(spot).toLocal8Bit().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_EQ(DateModificationFichier(spot, false), expected);
    ::close(fd);
    EXPECT_EQ(TailleDernierFichier, 2048);
    EXPECT_FALSE(tmpLeft());
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(DateModificationFichierTest, AReadOnlyFileIsDatedThroughACopyAndKeepsItsBit)
{
    attributes::set(spot, attributes::ReadOnly | attributes::Archive);
    EXPECT_EQ(DateModificationFichier(spot, false), expected);
    EXPECT_EQ(attributes::get(spot), attributes::ReadOnly | attributes::Archive);
    EXPECT_FALSE(tmpLeft());
}

TEST_F(DateModificationFichierTest, AMissingFileGivesNowAndSizeZeroAfterTheWarnings)
{
    TailleDernierFichier = 77;
    const QString absent = QStringLiteral("C:\\Sons\\absent.mp3");
    EXPECT_EQ(DateModificationFichier(absent, false), clock.now);
    EXPECT_EQ(TailleDernierFichier, 0);
    EXPECT_EQ(traced(), QStringList({QStringLiteral("Warning: File_Copy: File not found: ") + absent,
                                     QStringLiteral("Warning: File_RemoveFlag: File not found: ") + absent}));
}

TEST_F(DateModificationFichierTest, ALeftoverCopyIsNeverDatedInsteadOfTheFile)
{
    writeFile(QStringLiteral("C:\\Local\\File.tmp"), "from an earlier run");
    EXPECT_EQ(DateModificationFichier(QStringLiteral("C:\\Sons\\absent.mp3"), false), clock.now);
    EXPECT_EQ(TailleDernierFichier, 0);
    EXPECT_FALSE(tmpLeft());
}

TEST_F(DateModificationFichierTest, ABlankNameGivesNowAndTouchesNothing)
{
    TailleDernierFichier = 77;
    EXPECT_EQ(DateModificationFichier(QStringLiteral("  "), false), clock.now);
    EXPECT_EQ(TailleDernierFichier, 77);
    EXPECT_EQ(facts.offsetQuestions, 0);
}

} // namespace
} // namespace qn3::services
