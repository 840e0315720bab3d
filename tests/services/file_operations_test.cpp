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

namespace qn3::services {
namespace {

namespace attributes = platform::attributes;

struct FileOperationsTest : testing::ServicesTest {
    const QString label = "Test:Proc";
    static int incidents() { return Frm_Main().ListeIncidents0.ListCount(); }
};

// Making folders and replacing a target are the shell copy's own rules; File_Copy adds its warnings and traces.
TEST_F(FileOperationsTest, CopyWarnsOfRefusedSourcesAndTracesAFailureWithTheFreeSpaceOfALocalTargetOnly)
{
    writeFile("C:\\In\\a.mp3", "sound");
    writeFile("C:\\In\\empty.mp3", "");
    EXPECT_TRUE(File_Copy("C:\\In\\a.mp3", "C:\\Out\\_Bkp\\Deep\\a.mp3", kOptionsCopieSansErreur, 0));
    EXPECT_EQ(readFile("C:\\Out\\_Bkp\\Deep\\a.mp3"), "sound");
    for (const char* source : {"  ", "C:\\In\\empty.mp3", "C:\\In\\track.GPX"})
        EXPECT_FALSE(File_Copy(source, "C:\\Refused\\a", kOptionsCopie, 0)) << source;
    EXPECT_EQ(traced(), QStringList({"Warning: File_Copy: File name null",
                                     "Warning: File_Copy: File not found: C:\\In\\empty.mp3"}));
    EXPECT_FALSE(QFile::exists(host("C:\\Refused\\")));
    EXPECT_EQ(incidents(), 0);

    writeFile("C:\\Bloc", "a file, not a folder");
    writeFile("\\\\PC\\Share\\Bloc", "a file, not a folder");
    EXPECT_FALSE(File_Copy("C:\\In\\a.mp3", "C:\\Bloc\\a.mp3", kOptionsCopie, 0));
    QStringList lines = traced().mid(2);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("File_Copy: Err: ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("C:\\In\\a.mp3  Target: C:\\Bloc\\a.mp3")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("Free space for C:\\: ")) << lines[1].toStdString();
    EXPECT_EQ(incidents(), 1);

    EXPECT_FALSE(File_Copy("C:\\In\\a.mp3", "\\\\PC\\Share\\Bloc\\a.mp3", kOptionsCopie, 0));
    lines = traced().mid(4);
    ASSERT_EQ(lines.size(), 1); // a network target: no free-space line
    EXPECT_TRUE(lines[0].startsWith("File_Copy: Err: ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("  Target: \\\\PC\\Share\\Bloc\\a.mp3")) << lines[0].toStdString();
}

TEST_F(FileOperationsTest, DeleteRemovesTheFileAndWordsFailuresWithTheCallerChain)
{
    writeFile("C:\\In\\a.dat", "x");
    EXPECT_TRUE(File_Delete("C:\\In\\a.dat", label, 0, 0));
    EXPECT_FALSE(File_Delete("C:\\In\\a.dat", label, 0, 0));
    EXPECT_FALSE(File_Delete(" ", label, 0, 0));
    EXPECT_EQ(traced(), QStringList({"File_Delete: Warning: 2 |File not found: C:\\In\\a.dat |Sub: "
                                     "Test:Proc>Lib_Systeme:File_Delete",
                                     "Warning: File_Delete: File name null |Sub: Test:Proc>Lib_Systeme:File_Delete"}));
    EXPECT_EQ(incidents(), 0);
}

TEST_F(FileOperationsTest, ExistFollowsFindFirstFileAndSizeOrFreeSpaceOfWhatCannotBeReadIsMinusOneOrZero)
{
    writeFile("C:\\Sons\\MES01.mp3", QByteArray(1500, 'x'));
    writeFile("C:\\Sons\\vide.mp3", "");
    QDir().mkpath(host("C:\\Vide\\"));
    // Each row: name, non-empty asked, found.
    const std::tuple<const char*, bool, bool> table[] = {
        {"  c:\\sons\\mes01.MP3  ", true, true}, // trimmed, any case
        {"C:\\Sons\\MES01  .mp3", true, true},   // blanks before the dot
        {"C:\\Sons", false, true},               // a folder without backslash
        {"C:\\Sons\\", false, false},            // with it
        {"C:\\Sons\\MES*.mp3", false, true},     // a wildcard matching
        {"C:\\Sons\\JIN*.mp3", false, false},
        {"C:\\Sons\\vide.mp3", false, true},
        {"C:\\Sons\\vide.mp3", true, false}, // empty counts as missing
        {"C:\\Vide\\*", false, true},        // an empty folder still holds "."
        {"C:\\Vide\\*.mp3", false, false},
        {"C:\\Absent\\*", false, false},
        {"", false, false},
    };
    for (const auto& [name, nonVide, found] : table)
        EXPECT_EQ(File_Exist(name, label, nonVide), found) << name << " nonVide " << nonVide;
    EXPECT_TRUE(traced().isEmpty());

    EXPECT_EQ(TailleDuFichier("C:\\Sons\\MES01.mp3"), 1500);
    for (const char* name : {"C:\\Sons\\absent.mp3", "C:\\Sons", "C:\\Sons\\a?.mp3"})
        EXPECT_EQ(TailleDuFichier(name), -1) << name;
    EXPECT_GT(EspaceLibreDisque("C:\\"), 0.0);
    EXPECT_EQ(EspaceLibreDisque(" "), 0.0);
    EXPECT_EQ(EspaceLibreDisque("Q:\\"), 0.0);
}

TEST(LibSize, WordsTheCountInTheLargestUnitWithRegionalSeparators)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString group = QLocale().groupSeparator();
    const double ko = 1024;
    const std::pair<double, QString> table[] = {
        {0, "0,00 Octets"}, {1023, "1" + group + "023,00 Octets"}, {ko, "1,00 Ko"}, {1536, "1,50 Ko"},
        {ko * ko, "1,00 Mo"}, {ko * ko * ko * 5.25, "5,25 Go"}, {std::pow(ko, 8) * 3, "3,00 Yo"},
        {std::pow(ko, 9), QString()},
    };
    for (const auto& [value, text] : table)
        EXPECT_EQ(LibSize(value), text) << value;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(LibSize(1536), "1.50 Ko");
    QLocale::setDefault(QLocale::c());
}

struct DateModificationFichierTest : FileOperationsTest {
    DateModificationFichierTest()
    {
        facts.offsetMinutes = 60;
        RepLocal[0] = "C:\\Local\\";
        QDir().mkpath(host(RepLocal[0]));
        writeFile(spot, QByteArray(2048, 's'));
        QFile file(host(spot));
        file.open(QIODevice::ReadWrite);
        file.setFileTime(written, QFileDevice::FileModificationTime);
    }
    bool tmpLeft() const { return QFile::exists(host("C:\\Local\\File.tmp")); }
    // Dated as expected, the size kept, no copy left behind.
    void expectDated()
    {
        EXPECT_EQ(DateModificationFichier(spot, false), expected);
        EXPECT_EQ(TailleDernierFichier, 2048);
        EXPECT_FALSE(tmpLeft());
    }

    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> installFacts{facts};
    const QString spot = "C:\\Sons\\MES000123.mp3";
    const QDateTime written = QDateTime(QDate(2024, 1, 15), QTime(8, 30, 0), Qt::UTC);
    // The UTC time plus the 60 minutes, as wall-clock fields.
    const QDateTime expected = QDateTime(QDate(2024, 1, 15), QTime(9, 30, 0), Qt::LocalTime);
};

TEST_F(DateModificationFichierTest, GivesTheUtcTimePlusTheOffsetReadOnceEvenForAFileInUseOrReadOnly)
{
    expectDated();
    facts.offsetMinutes = 120; // read once for the run
    expectDated();
    EXPECT_EQ(facts.offsetQuestions, 1);

    // Another program holds the file open, sharing reads only: dated through a copy.
    const int fd = ::open(host(spot).toLocal8Bit().constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    expectDated();
    ::close(fd);

    attributes::set(spot, attributes::ReadOnly | attributes::Archive);
    expectDated();
    EXPECT_EQ(attributes::get(spot), attributes::ReadOnly | attributes::Archive);
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(DateModificationFichierTest, ABlankNameGivesNowAndTouchesNothingAMissingFileAlsoSizeZeroAndWarnings)
{
    TailleDernierFichier = 77;
    EXPECT_EQ(DateModificationFichier("  ", false), clock.now);
    EXPECT_EQ(TailleDernierFichier, 77);
    EXPECT_EQ(facts.offsetQuestions, 0);
    EXPECT_TRUE(traced().isEmpty());

    writeFile("C:\\Local\\File.tmp", "from an earlier run"); // never dated instead of the file
    const QString absent = "C:\\Sons\\absent.mp3";
    EXPECT_EQ(DateModificationFichier(absent, false), clock.now);
    EXPECT_EQ(TailleDernierFichier, 0);
    EXPECT_FALSE(tmpLeft());
    EXPECT_EQ(traced(), QStringList({"Warning: File_Copy: File not found: " + absent,
                                     "Warning: File_RemoveFlag: File not found: " + absent}));
}

} // namespace
} // namespace qn3::services
