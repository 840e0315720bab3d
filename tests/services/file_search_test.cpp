#include "services/error_routine.h"
#include "services/file_search.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace qn3::services {
namespace {

class FileSearchTest : public testing::ServicesTest {
protected:
    // Makes a file below C:\ (Windows path) holding `bytes` bytes.
    void makeFile(const QString& windowsPath, int bytes = 1)
    {
        const QString path = host(windowsPath);
        QDir().mkpath(path.section(u'/', 0, -2));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(bytes, 'x'));
    }

    void search(const QString& filter, bool recursive, bool nonEmpty = false)
    {
        RechercheFichier(QStringLiteral("C:\\Scan\\"), filter, recursive, files, folders, nonEmpty);
    }

    QStringList traced() const { return Frm_Main().ListeLogTemp.lines(); }

    ListBox files;
    ListBox folders;
};

QStringList windowsPaths(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list << QStringLiteral("C:\\Scan\\") + QString::fromUtf8(name).replace(u'/', u'\\');
    return list;
}

TEST_F(FileSearchTest, WalksTheTreeLevelByLevelAndEndsWithAnEmptyFolderList)
{
    makeFile(QStringLiteral("C:\\Scan\\B\\Deep\\d.txt"));
    makeFile(QStringLiteral("C:\\Scan\\B\\b.txt"));
    makeFile(QStringLiteral("C:\\Scan\\A\\a.txt"));
    makeFile(QStringLiteral("C:\\Scan\\z.txt"));
    makeFile(QStringLiteral("C:\\Scan\\m.txt"));

    search(QStringLiteral("*.*"), true);
    EXPECT_EQ(files.lines(), windowsPaths({"m.txt", "z.txt", "A/a.txt", "B/b.txt", "B/Deep/d.txt"}));
    EXPECT_EQ(folders.ListCount(), 0);

    search(QStringLiteral("*.*"), false);
    EXPECT_EQ(files.lines(), windowsPaths({"m.txt", "z.txt"}));
    EXPECT_EQ(folders.ListCount(), 0);
}

TEST_F(FileSearchTest, OneFolderListingQueuesSubFoldersWithABackslashOnlyWhenRecursive)
{
    makeFile(QStringLiteral("C:\\Scan\\Sub\\s.txt"));
    makeFile(QStringLiteral("C:\\Scan\\f.txt"));
    RechercheFichierBis(QStringLiteral("C:\\Scan\\"), QString(), true, files, folders, false);
    EXPECT_EQ(files.lines(), windowsPaths({"f.txt"}));
    EXPECT_EQ(folders.lines(), windowsPaths({"Sub\\"}));

    files.Clear();
    folders.Clear();
    RechercheFichierBis(QStringLiteral("C:\\Scan\\"), QStringLiteral("*.txt"), false, files, folders, false);
    EXPECT_EQ(files.lines(), windowsPaths({"f.txt"}));
    EXPECT_EQ(folders.ListCount(), 0);
}

TEST_F(FileSearchTest, PreviousContentOfBothListsIsCleared)
{
    makeFile(QStringLiteral("C:\\Scan\\f.txt"));
    files.AddItem(QStringLiteral("stale"));
    folders.AddItem(QStringLiteral("C:\\Gone\\"));
    search(QStringLiteral("*.*"), true);
    EXPECT_EQ(files.lines(), windowsPaths({"f.txt"}));
    EXPECT_EQ(folders.ListCount(), 0);
}

TEST_F(FileSearchTest, NonVidesLeavesOutEmptyFiles)
{
    makeFile(QStringLiteral("C:\\Scan\\empty.dat"), 0);
    makeFile(QStringLiteral("C:\\Scan\\full.dat"), 10);
    search(QStringLiteral("*.*"), false, true);
    EXPECT_EQ(files.lines(), windowsPaths({"full.dat"}));
    search(QStringLiteral("*.*"), false, false);
    EXPECT_EQ(files.lines(), windowsPaths({"empty.dat", "full.dat"}));
}

TEST_F(FileSearchTest, HiddenEntriesAreNotListed)
{
    makeFile(QStringLiteral("C:\\Scan\\.hidden.dat"));
    makeFile(QStringLiteral("C:\\Scan\\.Trash\\t.dat"));
    makeFile(QStringLiteral("C:\\Scan\\seen.dat"));
    search(QStringLiteral("*.*"), true);
    EXPECT_EQ(files.lines(), windowsPaths({"seen.dat"}));
}

struct FilterCase {
    const char* filter;
    std::initializer_list<const char*> kept;
};

TEST_F(FileSearchTest, FilterRules)
{
    for (const char* name : {"MES001.mp3", "mes002.MP3", "XMES003.mp3", "MES004.wav", "MES005.mp", "README", "a.dat",
                             "B.DAT", "c.txt", "Exact.dat", "Exactly.dat", "MESxyz"})
        makeFile(QStringLiteral("C:\\Scan\\") + QString::fromUtf8(name));

    const FilterCase cases[] = {
        // Every file, including one without an extension.
        {"*.*", {"a.dat", "B.DAT", "c.txt", "Exact.dat", "Exactly.dat", "MES001.mp3", "mes002.MP3", "MES004.wav",
                 "MES005.mp", "MESxyz", "README", "XMES003.mp3"}},
        // A prefix in any case; .mp is a piece of ".mp3", a file without an
        // extension passes the extension test and is judged by its name.
        {"MES*.mp3", {"MES001.mp3", "mes002.MP3", "MES005.mp", "MESxyz"}},
        // Files without an extension pass "*.dat" too; .TXT does not.
        {"*.dat", {"a.dat", "B.DAT", "Exact.dat", "Exactly.dat", "MESxyz", "README"}},
        // Without a star the name must be equal.
        {"exact.DAT", {"Exact.dat"}},
        // Several extensions in one filter text.
        {"MES*.mp3;*.wav", {"MES001.mp3", "mes002.MP3", "MES004.wav", "MES005.mp", "MESxyz"}},
        // ".*" keeps every extension of a name beginning with the name part.
        {"mes00*.*", {"MES001.mp3", "mes002.MP3", "MES004.wav", "MES005.mp"}},
        // ".*x" is an extension like any other: only the name decides for
        // files without an extension.
        {"MES*.*x", {"MESxyz"}},
        {"Exact.*", {"Exact.dat", "Exactly.dat"}},
    };
    for (const FilterCase& c : cases) {
        search(QString::fromUtf8(c.filter), false);
        EXPECT_EQ(files.lines(), windowsPaths(c.kept)) << c.filter;
    }
}

TEST_F(FileSearchTest, RefusedNamesAreTracedAndSkipped)
{
    // Names a Windows path cannot express are made on the host directly.
    const QString folder = host(QStringLiteral("C:\\Scan\\"));
    QDir().mkpath(folder);
    for (const char* name : {"50%.mp3", " lead.mp3", "trail.mp3 ", "colon:x.mp3", "bar|x.mp3", "quote\"x.mp3",
                             "dot.", "back\\slash.mp3", "good.mp3"}) {
        QFile file(folder + u'/' + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
    }

    search(QStringLiteral("*.*"), false);
    EXPECT_EQ(files.lines(), windowsPaths({"good.mp3"}));
    const QStringList lines = traced();
    ASSERT_EQ(lines.size(), 8);
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(QStringLiteral(" :Err: File not found: C:\\Scan\\"))) << line.toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("Err: File not found: C:\\Scan\\50%.mp3")).size() == 1);
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(FileSearchTest, NamesTheAnsiCodePageCannotHoldAreRefusedLikeUncleanNames)
{
    // Through the ANSI calls such a name reads with "?" in place of the
    // character, which cleaning changes: refused and traced, never listed.
    const QString folder = host(QStringLiteral("C:\\Scan\\"));
    QDir().mkpath(folder);
    const QByteArray hostFolder = QFile::encodeName(folder);
    const QByteArray names[] = {QByteArray("caf\xe9.mp3"),            // Latin-1 bytes, not UTF-8
                                QByteArray("\xce\xa9mega.mp3"),       // Greek omega
                                QByteArray("\xc3\xa9t\xc3\xa9.mp3"), // accented letters: in the code page
                                QByteArray("\xe2\x82\xac.mp3")};    // euro sign: in the code page
    for (const QByteArray& name : names) {
        const int fd = ::open((hostFolder + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0) << name.constData();
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
    }

    search(QStringLiteral("*.mp3"), false, false);
    EXPECT_EQ(files.lines(), QStringList({QStringLiteral("C:\\Scan\\\u00e9t\u00e9.mp3"), QStringLiteral("C:\\Scan\\\u20ac.mp3")}));
    const QStringList lines = traced();
    EXPECT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral(" :Err: File not found: C:\\Scan\\")).size(), 2);
    EXPECT_TRUE(user.messageBoxes.empty());
    for (const QByteArray& name : names) // the temporary folder's removal cannot name the non-UTF-8 one
        ::unlink((hostFolder + '/' + name).constData());
}

TEST_F(FileSearchTest, AFileRemovedBeforeItsTestEndsTheFolderWithTheRenameMessage)
{
    // "a%.mp3" is refused and traced; while its trace line is added, the
    // next file goes, so the size test of "b.mp3" finds nothing.
    const QString folder = host(QStringLiteral("C:\\Scan\\"));
    QDir().mkpath(folder);
    for (const char* name : {"a%.mp3", "b.mp3", "c.mp3"}) {
        QFile file(folder + u'/' + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    makeFile(QStringLiteral("C:\\Scan\\Sub\\d.mp3"));
    const auto connection = QObject::connect(&Frm_Main().ListeLogTemp, &ListBox::rowsInserted, [&] {
        if (Frm_Main().ListeLogTemp.ListCount() == 1)
            QFile::remove(folder + QStringLiteral("/b.mp3"));
    });
    Frm_Main().Caption = QStringLiteral("Quillon: Tools VANDREL - 2024.0305.1200");

    search(QStringLiteral("*.mp3"), true, true);
    QObject::disconnect(connection);

    // c.mp3 is not listed: the folder's listing ended; the sub-folder was
    // not queued either, since it sorts after; the search went on all the same.
    EXPECT_EQ(files.ListCount(), 0);
    EXPECT_EQ(folders.ListCount(), 0);
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = user.messageBoxes.front();
    EXPECT_EQ(box.text, QStringLiteral("Nom de fichier incorrect:\r\n\r\nC:\\Scan\\b.mp3\r\n\r\nVeuillez le renommer manuellement"));
    EXPECT_EQ(box.style, 16 + 65536);
    EXPECT_EQ(box.title, Frm_Main().Caption);
    const QStringList lines = traced();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(
        QStringLiteral(" :Err: File not found: C:\\Scan\\b.mp3 |Recherche: b.mp3 |Filter: C:\\Scan\\")));
    EXPECT_EQ(InfoErreur.Numero, 53);
}

TEST_F(FileSearchTest, AMissingFolderListsNothingAndReportsNothing)
{
    files.AddItem(QStringLiteral("stale"));
    RechercheFichier(QStringLiteral("C:\\Nowhere\\"), QStringLiteral("*.dat"), true, files, folders, true);
    EXPECT_EQ(files.ListCount(), 0);
    EXPECT_EQ(folders.ListCount(), 0);
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FileSearchTest, ABadMaskIsReportedUnderTheListingLabel)
{
    makeFile(QStringLiteral("C:\\Scan\\f.txt"));
    RechercheFichierBis(QStringLiteral("C:\\Scan\\"), QStringLiteral("a|*.txt"), false, files, folders, false);
    EXPECT_EQ(files.ListCount(), 0);
    EXPECT_EQ(InfoErreur.Numero, 52);
    EXPECT_FALSE(traced().filter(QStringLiteral("Lib_Public:RechercheFichierBis |Recherche:  |Filter: C:\\Scan\\a|*.txt")).isEmpty())
        << traced().join(u'\n').toStdString();
}

} // namespace
} // namespace qn3::services
