#include "platform/private_profile.h"

#include "platform/windows_error.h"
#include "platform_test_files.h"
#include "support/kill_while_writing.h"
#include "support/memory_bound.h"

#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace qn3::platform;
using namespace std::chrono_literals;

namespace {

const QString ini = QStringLiteral("C:\\test.ini");

class PrivateProfileTest : public qn3::testing::DriveCTest {
protected:
    void put(const QByteArray& bytes) const { writeFile("test.ini", bytes); }
    QByteArray contents(const char* name = "test.ini") const { return readFile(name); }
    QString read(const QString& section, const QString& key) const
    {
        return profile.readString(ini, section, key, u"default", 255).text;
    }
    bool write(const QString& section, const QString& key, const QString& value) const
    {
        return profile.writeString(ini, section, key, value).succeeded;
    }

    PrivateProfile& profile = PrivateProfile::standard();
};

// ---- Reads, checked against what Windows returns --------------------------

// Section and key (nullopt: list the section or key names), fallback, buffer size, then the text and count read.
using ReadCase = std::tuple<std::optional<QString>, std::optional<QString>, QString, uint32_t, QString, uint32_t>;

class WindowsReadVectors : public PrivateProfileTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WindowsReadVectors, GiveWindowsResultsForEveryLineEndStyle)
{
    QByteArray file("[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n");
    file.replace("\r\n", GetParam());
    put(file);
    const ReadCase cases[] = {
        {std::nullopt, {}, "", 260, QString::fromLatin1("section1\0section2\0", 18), 18},
        {std::nullopt, {}, "", 16, QString::fromLatin1("section1\0secti", 14), 14},
        {"", "name1", "default", 255, "default", 7}, {"", "name1", "", 255, "", 0},
        {"", "name1", "default  ", 255, "default", 7}, {"notasection", "name1", "default", 255, "default", 7},
        {"section1", std::nullopt, "default", 255, QString::fromLatin1("name1\0name2\0name4\0", 18), 18},
        {"section1", std::nullopt, "default", 16, QString::fromLatin1("name1\0name2\0na", 14), 14},
        {"section1", "", "default", 255, "default", 7}, {"section1", "notakey", "default", 255, "default", 7},
        {"section1", "name1", "default", 4, "val", 3}, {"section1", "name1", "default", 5, "val1", 4},
        {"section1", "name4", "default", 1, "", 0}, {"section1", "name2", "default", 255, "val2", 4},
        {"section1", "NaMe1", "default", 255, "val1", 4}, {"section2", "DoesntExist", "", 255, "", 0},
        {"section1", "name3", "default", 255, "default", 7}};
    for (const auto& [section, key, fallback, size, text, count] : cases) {
        const ProfileRead r = !section ? profile.sectionNames(ini, size)
            : !key                    ? profile.keyNames(ini, *section, size)
                                      : profile.readString(ini, *section, *key, fallback, size);
        EXPECT_EQ(std::pair(r.text, r.count), std::pair(text, count))
            << section.value_or("<null>").toStdString() << "/" << key.value_or("<null>").toStdString() << " " << size;
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, WindowsReadVectors, ::testing::Values("\r\n", "\r", "\n"));

TEST_F(PrivateProfileTest, ValuesLoseBlanksAndOneMatchingPairOfQuotes)
{
    put("[s]\r\n \t a \v = \t spaced out \t \r\nq1=  \"   v   \"  \r\nq2=\"'x'\"\r\nq3=\"\"x\"\"\r\n"
        "q4=\"  x  '\r\nq5=\"\r\nq6=v ;not a comment\r\nempty=\r\n");
    const std::pair<const char*, const char*> cases[] = {
        {"a", "spaced out"}, {"q1", "   v   "}, {"q2", "'x'"},           {"q3", "\"x\""},
        {"q4", "\"  x  '"},  {"q5", "\""},      {"q6", "v ;not a comment"}, {"empty", ""}};
    for (const auto& [key, value] : cases)
        EXPECT_EQ(read("s", key), QString::fromLatin1(value)) << key;
}

TEST_F(PrivateProfileTest, SectionHeadersAndCommentsFollowWindows)
{
    put("key=before any section\r\n[  spaced\t]\r\nk=1\r\n[open\r\nk=2\r\n[cut]k=ignored\r\nk=3\r\n[]\r\nk=4\r\n"
        "[c]\r\n;hidden=5\r\n#hash=6\r\n[dup]\r\nk=first\r\nK=second\r\n[DUP]\r\nk=other section\r\n");
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"spaced", "k", "1"}, {"open", "k", "2"},     {"cut", "k", "3"},         {"", "k", "4"},
        {"", "key", "default"}, {"c", ";hidden", "default"}, {"c", "#hash", "6"}, {"dup", "K", "first"},
        {" SPACED ", " k ", "1"}, {"\tspaced", "k", "default"}};
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(read(section, key), QString::fromLatin1(value)) << section << "/" << key;
}

TEST_F(PrivateProfileTest, MissingFileFolderOrLongValueGiveTheirLastError)
{
    put("[s]\r\nk=" + QByteArray(10000, 'x') + "\r\nafter=ok");
    // File, key, then the text and last error the read gives.
    const std::tuple<const char16_t*, const char16_t*, QString, uint32_t> cases[] = {
        {u"C:\\nowhere\\x.ini", u"k", QStringLiteral("fallback"), win_error::FileNotFound},
        {u"C:\\", u"k", QStringLiteral("fallback"), win_error::AccessDenied},
        {u"C:\\test.ini", u"k", QString(254, u'x'), win_error::MoreData},
        {u"C:\\test.ini", u"after", QStringLiteral("ok"), 0}};
    for (const auto& [file, key, text, lastError] : cases) {
        const ProfileRead r = profile.readString(file, u"s", key, u"fallback", 255);
        EXPECT_EQ(std::tuple(r.text, r.count, r.lastError), std::tuple(text, uint32_t(text.size()), lastError))
            << QString::fromUtf16(file).toStdString();
    }
}

TEST_F(PrivateProfileTest, OddBytesAndUtf16FilesAreReadAndWrittenAsWindowsDoes)
{
    put("\xEF\xBB\xBF[bom]\r\nk=unreachable\r\n[s]\r\nansi=\xE9\x80\r\nnul=a\0b\r\n"_qba);
    EXPECT_EQ(read("bom", "k"), "default");
    EXPECT_EQ(read("s", "ansi"), QStringLiteral("é€"));
    EXPECT_EQ(read("s", "nul"), "a");
    // A file that starts with the UTF-16 mark is read and written as UTF-16.
    const auto utf16 = [](const QString& text) {
        return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    put(utf16(QStringLiteral("[s]\r\nk=\u0100v\r\n")));
    EXPECT_EQ(read("s", "k"), QStringLiteral("\u0100v"));
    ASSERT_TRUE(write("s", "n", "2"));
    EXPECT_EQ(contents(), utf16(QStringLiteral("[s]\r\nk=\u0100v\r\nn=2\r\n")));
}

TEST_F(PrivateProfileTest, ChangeByAnotherWriterIsSeenByTheNextRead)
{
    put("[s]\r\nk=old\r\n");
    std::this_thread::sleep_for(60ms); // old enough for the parsed copy to be kept
    EXPECT_EQ(read("s", "k"), "old");
    EXPECT_EQ(read("s", "k"), "old");
    put("[s]\r\nk=new\r\n"); // same size, same inode
    EXPECT_EQ(read("s", "k"), "new");
    QFile::remove(host("test.ini"));
    EXPECT_EQ(read("s", "k"), "default");
}

// ---- Writes ---------------------------------------------------------------

TEST_F(PrivateProfileTest, WindowsWriteSequenceGivesItsExactBytes)
{
    const char* apps[] = {"App1", "App1", "App1", "App2", "App3"};
    for (int n = 1; n <= 5; ++n)
        ASSERT_TRUE(write(apps[n - 1], QStringLiteral("key%1").arg(n), QStringLiteral("string%1").arg(n)));
    EXPECT_EQ(contents(), "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
                          "[App3]\r\nkey5=string5\r\n");
    EXPECT_TRUE(profile.deleteKey(ini, u"App1", u"key2").succeeded);
    EXPECT_TRUE(profile.deleteKey(ini, u"App1", u"key2").succeeded);
    EXPECT_EQ(read("App1", "key2"), "default");
    EXPECT_TRUE(profile.deleteSection(ini, u"App1").succeeded);
    EXPECT_TRUE(profile.deleteSection(ini, u"App2").succeeded);
    EXPECT_TRUE(profile.deleteKey(ini, u"App3", u"key5").succeeded);
    EXPECT_EQ(contents(), "[App3]\r\n");
    put("[a]\r\n;note\r\nk=1\r\nbare\r\n[b]\r\nk=2\r\n");
    ASSERT_TRUE(profile.deleteSection(ini, u"A").succeeded);
    EXPECT_EQ(contents(), ";note\r\n[b]\r\nk=2\r\n") << "a deleted section keeps its comment lines";
}

TEST_F(PrivateProfileTest, UntouchedLinesKeepTheirBytesAndNewKeysFollowTheSectionsKeysInCallOrder)
{
    put("\0junk\n; top comment\n[One]\n  Key = old  \n\n[Two]\r\nx=1\r\n\r\n[Three]\r\n"_qba);
    ASSERT_TRUE(write(" one ", "KEY", " new"));
    ASSERT_TRUE(write("one", "added", "2"));
    ASSERT_TRUE(write("one", "ab", "3"));
    ASSERT_TRUE(write("two", "y", "2"));
    ASSERT_TRUE(write("four", "z", "4"));
    EXPECT_EQ(contents(), "\0junk\n; top comment\n[One]\nKey= new\nadded=2\r\nab=3\r\n\n"
                          "[Two]\r\nx=1\r\ny=2\r\n\r\n[Three]\r\n[four]\r\nz=4\r\n"_qba);
    // A file without a final line end gets one before the new lines.
    put("[a]\r\nx=1");
    ASSERT_TRUE(write("a", "y", "2"));
    EXPECT_EQ(contents(), "[a]\r\nx=1\r\ny=2\r\n");
    put("[a]\r\nx=1");
    ASSERT_TRUE(write("b", "y", "2"));
    EXPECT_EQ(contents(), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
}

TEST_F(PrivateProfileTest, OnlyTheFirstOfEqualKeysIsUpdatedAndSameValueLeavesTheFileAlone)
{
    put("[s]\r\nk=1\r\nk=2\r\n");
    ASSERT_TRUE(write("S", "K", "3"));
    EXPECT_EQ(contents(), "[s]\r\nk=3\r\nk=2\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(host("test.ini")).constData(), &before), 0);
    ASSERT_TRUE(write("s", "k", "3"));
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(host("test.ini")).constData(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(PrivateProfileTest, ArgumentsAreWrittenAsAnsiUnquotedUpToTheirFirstNul)
{
    ASSERT_TRUE(write("   sec   ", "  key  ", QStringLiteral(" é€\u4E00 ")));
    EXPECT_EQ(contents(), "[sec]\r\nkey= \xE9\x80? \r\n");
    // Arguments end at their first NUL, as the callers' strings do.
    put({});
    const auto nul = [](const char (&text)[4]) { return QString::fromLatin1(text, 3); };
    ASSERT_TRUE(write(nul("s\0x"), nul("k\0y"), nul("v\0t")));
    EXPECT_EQ(contents(), "[s]\r\nk=v\r\n");
    EXPECT_EQ(read(nul("S\0z"), nul("K\0z")), "v");
    ASSERT_TRUE(profile.deleteKey(ini, nul("s\0x"), nul("k\0y")).succeeded);
    EXPECT_EQ(contents(), "[s]\r\n");
}

TEST_F(PrivateProfileTest, MissingFileIsMadeAndRefusedWritesChangeNothing)
{
    EXPECT_TRUE(profile.writeString(u"C:\\made.ini", u"s", u"k", u"v").succeeded);
    EXPECT_EQ(contents("made.ini"), "[s]\r\nk=v\r\n");
    EXPECT_TRUE(profile.deleteKey(u"C:\\empty.ini", u"s", u"k").succeeded);
    EXPECT_EQ(contents("empty.ini"), "");
    put("[s]\r\nk=1\r\n");
    QFile::setPermissions(host("test.ini"), QFile::ReadOwner | QFile::ReadGroup);
    const std::pair<const char16_t*, uint32_t> cases[] = {
        {u"C:\\test.ini", win_error::AccessDenied}, {u"C:\\no\\such\\x.ini", win_error::PathNotFound},
        {u"C:\\", win_error::AccessDenied}, {u"", win_error::AccessDenied}};
    for (const auto& [file, error] : cases) {
        const ProfileWrite w = profile.writeString(file, u"s", u"k", u"2");
        EXPECT_EQ(std::pair(w.succeeded, w.lastError), std::pair(false, error))
            << QString::fromUtf16(file).toStdString();
    }
    EXPECT_EQ(contents(), "[s]\r\nk=1\r\n");
    EXPECT_FALSE(exists("no")) << "a missing folder is never made";
}

TEST_F(PrivateProfileTest, KilledWriterLeavesTheOldOrTheNewFileWhole)
{
    const QByteArray head = "; settings\r\n[keep]\r\nlong=" + QByteArray(20000, 'x') + "\r\n[s]\r\n";
    put(head + "k=start\r\n");
    const QByteArray valueA(3000, 'a'), valueB(5000, 'b');
    const QList<QByteArray> whole = {head + "k=start\r\n", head + "k=" + valueA + "\r\n",
                                     head + "k=" + valueB + "\r\n"};
    int rewritten = 0;
    qn3::testing::killWhileWriting(
        40, 20ms,
        [&](unsigned n) { profile.writeString(ini, u"s", u"k", QString::fromLatin1(n % 2 ? valueB : valueA)); },
        [&] {
            const QByteArray now = contents();
            EXPECT_TRUE(whole.contains(now)) << "size " << now.size();
            rewritten += now != whole[0];
        });
    EXPECT_GT(rewritten, 0) << "no round let the writer finish a write";
    ASSERT_TRUE(write("s", "after", "1"));
    EXPECT_EQ(QDir(prefix.driveC()).entryList({".test.ini.*"}, QDir::Files | QDir::Hidden), QStringList())
        << "killed writers' temporary files are left behind";
}

TEST_F(PrivateProfileTest, TwoProcessesWritingTheSameFileKeepEachOthersWrites)
{
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            bool ok = true;
            for (int k = 0; k < 150; ++k)
                ok = write("s", QStringLiteral("w%1k%2").arg(w).arg(k), QString::number(k)) && ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t writer : writers) {
        int status = 0;
        ::waitpid(writer, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write was refused";
    }
    int kept = 0;
    for (int w = 0; w < 2; ++w)
        for (int k = 0; k < 150; ++k)
            kept += read("s", QStringLiteral("w%1k%2").arg(w).arg(k)) == QString::number(k);
    EXPECT_EQ(kept, 300);
}

TEST_F(PrivateProfileTest, BareNameLivesInTheWindowsFolderOfAFreshPrefix)
{
    ASSERT_TRUE(profile.writeString(u"bare.ini", u"s", u"k", u"v").succeeded);
    EXPECT_EQ(read("s", "k"), "default");
    EXPECT_EQ(profile.readString(u"C:\\WINDOWS\\bare.ini", u"s", u"k", u"", 255).text, "v");
}

TEST_F(PrivateProfileTest, SpecialAndOversizedFilesAreNeitherWaitedForNorReadNorWritten)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(host("fifo.ini")).constData(), 0644), 0);
    QFile big(host("big.ini"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.write("[s]\r\nk=v\r\n") > 0 && big.resize(65 << 20));
    big.close();
    for (const char* name : {"C:\\fifo.ini", "C:\\big.ini", "Z:\\dev\\zero"}) {
        const QString file = QString::fromLatin1(name);
        EXPECT_EQ(profile.readString(file, u"s", u"k", u"default", 255).text, "default") << name;
        EXPECT_EQ(profile.sectionNames(file, 255).count, 0u) << name;
        if (file.startsWith(u'C')) { // the host's device is never written to
            EXPECT_EQ(profile.writeString(file, u"s", u"k", u"2").lastError, win_error::AccessDenied) << name;
        }
    }
    EXPECT_TRUE(QFileInfo(host("fifo.ini")).isFile() == false && QFileInfo::exists(host("fifo.ini")));
    EXPECT_EQ(QFileInfo(host("big.ini")).size(), 65 << 20);
}

TEST_F(PrivateProfileTest, HostileLineShapesCostASmallMultipleOfTheFileSize)
{
    constexpr int size = 8 << 20;
    const std::pair<const char*, QByteArray> shapes[] = {
        {"line ends", QByteArray(size, '\n')}, {"empty keys", "[s]\n" + QByteArray("k=\n").repeated(size / 3)},
        {"sections", QByteArray("[s]\n").repeated(size / 4)}};
    for (const auto& [shape, text] : shapes) {
        put(text);
        EXPECT_TRUE(qn3::testing::finishesWithinMemory(16LL * size, [&] {
            profile.readString(ini, u"s", u"x", u"", 255);
            profile.keyNames(ini, u"s", 255);
            profile.writeString(ini, u"s", u"x", u"1");
        })) << shape;
    }
}

} // namespace
