#include "services/folders.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class FoldersTest : public testing::ServicesTest {
protected:
    bool isFolder(const QString& windowsPath) const { return QFileInfo(host(windowsPath)).isDir(); }
    void removeTree(const QString& windowsPath) const { QDir(host(windowsPath)).removeRecursively(); }
    QStringList folderLines() const { return traced().filter(QStringLiteral("Folder '")); }
};

// ---- Making a folder path ------------------------------------------------------

TEST_F(FoldersTest, MakesEveryMissingLevelAndRemembersThePath)
{
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Un\\Deux\\Trois"), true);
    EXPECT_TRUE(isFolder(QStringLiteral("C:\\Un\\Deux\\Trois\\")));
    // Known for the run: a second call does not look at the disk again.
    removeTree(QStringLiteral("C:\\Un"));
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Un\\Deux\\Trois\\"), true);
    EXPECT_FALSE(isFolder(QStringLiteral("C:\\Un\\")));
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FoldersTest, CleansBarsAndCommasIntoBlanks)
{
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Pub,Radio\\A|B\\"), true);
    EXPECT_TRUE(isFolder(QStringLiteral("C:\\Pub Radio\\A B\\")));
}

TEST_F(FoldersTest, ALevelThatCannotBeMadeIsReportedOncePerRun)
{
    writeFile(QStringLiteral("C:\\Bloc"), "a file where a folder should be");
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloc\\Sous\\"), true);
    EXPECT_EQ(folderLines(), QStringList(QStringLiteral("Folder 'C:\\Bloc\\' not found")));
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloc\\Sous\\"), true);
    EXPECT_EQ(folderLines().size(), 1);
    // Deeper: the known failure passes silently, the next level is reported.
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloc\\Sous\\Plus\\"), true);
    EXPECT_EQ(folderLines(), QStringList({QStringLiteral("Folder 'C:\\Bloc\\' not found"),
                                          QStringLiteral("Folder 'C:\\Bloc\\Sous\\' not found")}));
    EXPECT_EQ(readFile(QStringLiteral("C:\\Bloc")), QByteArray("a file where a folder should be"));
}

TEST_F(FoldersTest, AnUnmappedDriveOrAFileInTheWayIsAPlainErrLineNotAnIncident)
{
    writeFile(QStringLiteral("C:\\Bloc"), "x");
    VerificationEtCreationRepertoire(QStringLiteral("Q:\\a\\b\\"), true);
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloc\\Sous\\"), false);
    const QString source = QStringLiteral(" |Source: Lib_Systeme:VerificationEtCreationRepertoire:3"); // the make-directory
    EXPECT_TRUE(traced().contains(QStringLiteral("Err: Folder not found: Q:\\a\\b\\") + source));
    EXPECT_TRUE(traced().contains(QStringLiteral("Err: Folder not found: C:\\Bloc\\Sous\\") + source));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
}

TEST_F(FoldersTest, WithoutReportAFailureIsSilent)
{
    writeFile(QStringLiteral("C:\\Bloc"), "x");
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloc\\Sous\\"), false);
    EXPECT_TRUE(folderLines().isEmpty());
}

TEST_F(FoldersTest, NetworkPathsNeverMakeTheServerLevel)
{
    QDir().mkpath(host(QStringLiteral("\\\\PC\\Data\\")));
    VerificationEtCreationRepertoire(QStringLiteral("\\\\PC\\Data\\Sons\\Pub"), true);
    EXPECT_TRUE(isFolder(QStringLiteral("\\\\PC\\Data\\Sons\\Pub\\")));

    VerificationEtCreationRepertoire(QStringLiteral("\\\\Autre\\Data\\Sons\\"), true);
    // Neither the share nor the server's folder was made.
    EXPECT_FALSE(QFileInfo(host(QStringLiteral("\\\\Autre\\Data"))).dir().exists());
    EXPECT_EQ(folderLines(), QStringList(QStringLiteral("Folder '\\\\Autre\\Data\\' not found")));

    // A known server without the share: a share is never made either.
    VerificationEtCreationRepertoire(QStringLiteral("\\\\PC\\Absent\\Sons\\"), true);
    EXPECT_FALSE(isFolder(QStringLiteral("\\\\PC\\Absent\\")));
    EXPECT_EQ(folderLines().size(), 2);
    EXPECT_EQ(folderLines().value(1), QStringLiteral("Folder '\\\\PC\\Absent\\' not found"));
}

// ---- Testing a folder ----------------------------------------------------------

TEST_F(FoldersTest, FolderFoundMakesAMissingFolderUnderAnExistingParent)
{
    QDir().mkpath(host(QStringLiteral("C:\\Partenaire\\")));
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\Partenaire\\_Bkp")));
    EXPECT_TRUE(isFolder(QStringLiteral("C:\\Partenaire\\_Bkp\\")));
    EXPECT_FALSE(FolderFound(QStringLiteral("  ")));
}

TEST_F(FoldersTest, FolderFoundRemembersAFailureEvenAfterTheFolderIsMade)
{
    writeFile(QStringLiteral("C:\\X\\Bloc"), "x");
    EXPECT_FALSE(FolderFound(QStringLiteral("C:\\X\\Bloc\\Sous")));
    QFile::remove(host(QStringLiteral("C:\\X\\Bloc")));
    QDir().mkpath(host(QStringLiteral("C:\\X\\Bloc\\Sous")));
    EXPECT_FALSE(FolderFound(QStringLiteral("C:\\X\\Bloc\\Sous")));
    // The parent of a missing folder is judged on its own.
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\X")));
}

TEST_F(FoldersTest, FolderFoundAnswersAParentOfAFoundFolderFromMemory)
{
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\P\\Q")));
    removeTree(QStringLiteral("C:\\P"));
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\P")));
    EXPECT_FALSE(isFolder(QStringLiteral("C:\\P\\")));
    // A longer name that merely starts the same way is not taken from memory.
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\AB")));
    writeFile(QStringLiteral("C:\\A"), "a file");
    EXPECT_FALSE(FolderFound(QStringLiteral("C:\\A")));
}

TEST_F(FoldersTest, FolderFoundOnAnUnreachableDriveIsAnIncidentAndNotRemembered)
{
    EXPECT_FALSE(FolderFound(QStringLiteral("Q:\\Data")));
    EXPECT_FALSE(FolderFound(QStringLiteral("Q:\\Data")));
    const QString line = QStringLiteral("Err: Folder not found: Q:\\Data |Source: Lib_Systeme:FolderFound:1");
    EXPECT_EQ(traced(), QStringList({line, line}));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 2);
}

} // namespace
} // namespace qn3::services
