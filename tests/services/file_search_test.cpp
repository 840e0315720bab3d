#include "services/error_routine.h"
#include "services/file_search.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QObject>

#include <fcntl.h>
#include <unistd.h>

namespace qn3::services {
namespace {

struct FileSearchTest : testing::ServicesTest {
    // The temporary folder's removal cannot name a file whose name is not UTF-8.
    ~FileSearchTest() override
    {
        for (const QByteArray& name : hostNames)
            ::unlink((QFile::encodeName(scan()) + '/' + name).constData());
    }
    // Makes a file below C:\Scan\ holding `bytes` bytes.
    void makeFile(const QString& name, int bytes = 1) { writeFile("C:\\Scan\\" + name, QByteArray(bytes, 'x')); }
    // Makes files in C:\Scan\ straight on the host, for names a Windows path cannot express.
    void makeHostFiles(std::initializer_list<QByteArray> names)
    {
        QDir().mkpath(scan());
        for (const QByteArray& name : names) {
            const int fd = ::open((QFile::encodeName(scan()) + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0) << name.constData();
            hostNames << name;
            ASSERT_EQ(::write(fd, "x", 1), 1);
            ::close(fd);
        }
    }
    QString scan() const { return host("C:\\Scan\\"); }
    void search(const QString& filter, bool recursive, bool nonEmpty = false)
    {
        RechercheFichier("C:\\Scan\\", filter, recursive, files, folders, nonEmpty);
    }
    static QStringList logged() { return Frm_Main().ListeLogTemp.lines(); }

    ListBox files;
    ListBox folders;
    QList<QByteArray> hostNames;
};

QStringList windowsPaths(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list << "C:\\Scan\\" + QString::fromUtf8(name).replace(u'/', u'\\');
    return list;
}

TEST_F(FileSearchTest, WalksTheTreeLevelByLevelSkippingHiddenAndEmptyFilesQueuingSubFoldersOnlyWhenRecursive)
{
    for (const char* name : {"B\\Deep\\d.txt", "B\\b.txt", "A\\a.txt", "z.txt", "m.txt", ".hidden.txt",
                             ".Trash\\t.txt"})
        makeFile(name);
    makeFile("e.txt", 0);
    files.AddItem("stale"); // both lists are cleared first
    folders.AddItem("C:\\Gone\\");
    search("*.*", true, true);
    EXPECT_EQ(files.lines(), windowsPaths({"m.txt", "z.txt", "A/a.txt", "B/b.txt", "B/Deep/d.txt"}));
    EXPECT_EQ(folders.ListCount(), 0); // the queue is used up
    search("*.*", false);
    EXPECT_EQ(files.lines(), windowsPaths({"e.txt", "m.txt", "z.txt"}));

    // One folder's listing: sub-folders are queued, with a backslash, only when recursive.
    RechercheFichierBis("C:\\Scan\\", "*.txt", false, files, folders, false);
    EXPECT_EQ(folders.ListCount(), 0);
    files.Clear();
    RechercheFichierBis("C:\\Scan\\", QString(), true, files, folders, false);
    EXPECT_EQ(files.lines(), windowsPaths({"e.txt", "m.txt", "z.txt"})); // no filter: every file
    EXPECT_EQ(folders.lines(), windowsPaths({"A/", "B/"}));

    files.AddItem("stale");
    RechercheFichier("C:\\Nowhere\\", "*.dat", true, files, folders, true); // a missing folder: nothing, quietly
    EXPECT_EQ(files.ListCount() + folders.ListCount(), 0);
    EXPECT_TRUE(logged().isEmpty());
}

TEST_F(FileSearchTest, FilterRulesAndABadMaskReportedUnderTheListingLabel)
{
    for (const char* name : {"MES001.mp3", "mes002.MP3", "XMES003.mp3", "MES004.wav", "MES005.mp", "README", "a.dat",
                             "B.DAT", "c.txt", "Exact.dat", "Exactly.dat", "MESxyz"})
        makeFile(name);

    const struct {
        const char* filter;
        std::initializer_list<const char*> kept;
    } cases[] = {
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
    for (const auto& c : cases) {
        search(c.filter, false);
        EXPECT_EQ(files.lines(), windowsPaths(c.kept)) << c.filter;
    }

    files.Clear();
    RechercheFichierBis("C:\\Scan\\", "a|*.txt", false, files, folders, false);
    EXPECT_EQ(files.ListCount(), 0);
    EXPECT_EQ(InfoErreur.Numero, 52);
    EXPECT_FALSE(logged().filter("Lib_Public:RechercheFichierBis |Recherche:  |Filter: C:\\Scan\\a|*.txt").isEmpty())
        << logged().join(u'\n').toStdString();
}

TEST_F(FileSearchTest, UncleanNamesAndNamesTheAnsiCodePageCannotHoldAreTracedAndSkipped)
{
    // Through the ANSI calls a name outside the code page reads with "?" in place of the character, which cleaning
    // changes: refused like an unclean name. Accented letters and the euro sign are in the code page.
    makeHostFiles({"50%.mp3", " lead.mp3", "trail.mp3 ", "colon:x.mp3", "bar|x.mp3", "quote\"x.mp3", "dot.",
                   "back\\slash.mp3", "good.mp3", "caf\xe9.mp3" /* Latin-1, not UTF-8 */, "\xce\xa9mega.mp3",
                   "\xc3\xa9t\xc3\xa9.mp3", "\xe2\x82\xac.mp3"});
    search("*.*", false);
    EXPECT_EQ(files.lines(), windowsPaths({"good.mp3", "\u00e9t\u00e9.mp3", "\u20ac.mp3"}));
    const QStringList lines = logged();
    ASSERT_EQ(lines.size(), 10) << lines.join(u'\n').toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(" :Err: File not found: C:\\Scan\\")) << line.toStdString();
    EXPECT_EQ(lines.filter("Err: File not found: C:\\Scan\\50%.mp3").size(), 1);
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(FileSearchTest, AFileRemovedBeforeItsTestEndsTheFolderWithTheRenameMessage)
{
    // "a%.mp3" is refused and traced; while its trace line is added, the
    // next file goes, so the size test of "b.mp3" finds nothing.
    makeHostFiles({"a%.mp3", "b.mp3", "c.mp3"});
    makeFile("Sub\\d.mp3");
    const auto connection = QObject::connect(&Frm_Main().ListeLogTemp, &ListBox::rowsInserted, [&] {
        if (Frm_Main().ListeLogTemp.ListCount() == 1)
            QFile::remove(scan() + "/b.mp3");
    });
    Frm_Main().Caption = "Quillon: Tools VANDREL - 2024.0305.1200";

    search("*.mp3", true, true);
    QObject::disconnect(connection);

    // c.mp3 is not listed: the folder's listing ended; the sub-folder was
    // not queued either, since it sorts after; the search went on all the same.
    EXPECT_EQ(files.ListCount() + folders.ListCount(), 0);
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = user.messageBoxes.front();
    EXPECT_EQ(box.text, "Nom de fichier incorrect:\r\n\r\nC:\\Scan\\b.mp3\r\n\r\nVeuillez le renommer manuellement");
    EXPECT_EQ(box.style, 16 + 65536);
    EXPECT_EQ(box.title, Frm_Main().Caption);
    const QStringList lines = logged();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(" :Err: File not found: C:\\Scan\\b.mp3 |Recherche: b.mp3 |Filter: C:\\Scan\\"));
    EXPECT_EQ(InfoErreur.Numero, 53);
}

} // namespace
} // namespace qn3::services
