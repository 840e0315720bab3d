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
    QStringList folderLines() const { return traced().filter("Folder '"); }
};

// ---- Making a folder path ------------------------------------------------------

TEST_F(FoldersTest, MakesEveryMissingLevelAndRemembersThePath)
{
    VerificationEtCreationRepertoire("C:\\Un\\Deux\\Trois", true);
    EXPECT_TRUE(isFolder("C:\\Un\\Deux\\Trois\\"));
    // Known for the run: a second call does not look at the disk again.
    removeTree("C:\\Un");
    VerificationEtCreationRepertoire("C:\\Un\\Deux\\Trois\\", true);
    EXPECT_FALSE(isFolder("C:\\Un\\"));
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FoldersTest, CleansBarsAndCommasIntoBlanks)
{
    VerificationEtCreationRepertoire("C:\\Pub,Radio\\A|B\\", true);
    EXPECT_TRUE(isFolder("C:\\Pub Radio\\A B\\"));
}

TEST_F(FoldersTest, ALevelThatCannotBeMadeIsReportedOncePerRun)
{
    writeFile("C:\\Bloc", "a file where a folder should be");
    VerificationEtCreationRepertoire("C:\\Bloc\\Sous\\", true);
    EXPECT_EQ(folderLines(), QStringList("Folder 'C:\\Bloc\\' not found"));
    VerificationEtCreationRepertoire("C:\\Bloc\\Sous\\", true);
    EXPECT_EQ(folderLines().size(), 1);
    // Deeper: the known failure passes silently, the next level is reported.
    VerificationEtCreationRepertoire("C:\\Bloc\\Sous\\Plus\\", true);
    EXPECT_EQ(folderLines(), QStringList({"Folder 'C:\\Bloc\\' not found",
                                          "Folder 'C:\\Bloc\\Sous\\' not found"}));
    EXPECT_EQ(readFile("C:\\Bloc"), QByteArray("a file where a folder should be"));
}

TEST_F(FoldersTest, AnUnmappedDriveOrAFileInTheWayIsAPlainErrLineNotAnIncident)
{
    writeFile("C:\\Bloc", "x");
    VerificationEtCreationRepertoire("Q:\\a\\b\\", true);
    VerificationEtCreationRepertoire("C:\\Bloc\\Sous\\", false);
    const QString source = " |Source: Lib_Systeme:VerificationEtCreationRepertoire:3"; // the make-directory
    EXPECT_TRUE(traced().contains("Err: Folder not found: Q:\\a\\b\\" + source));
    EXPECT_TRUE(traced().contains("Err: Folder not found: C:\\Bloc\\Sous\\" + source));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
}

TEST_F(FoldersTest, WithoutReportAFailureIsSilent)
{
    writeFile("C:\\Bloc", "x");
    VerificationEtCreationRepertoire("C:\\Bloc\\Sous\\", false);
    EXPECT_TRUE(folderLines().isEmpty());
}

TEST_F(FoldersTest, NetworkPathsNeverMakeTheServerLevel)
{
    QDir().mkpath(host("\\\\PC\\Data\\"));
    VerificationEtCreationRepertoire("\\\\PC\\Data\\Sons\\Pub", true);
    EXPECT_TRUE(isFolder("\\\\PC\\Data\\Sons\\Pub\\"));

    VerificationEtCreationRepertoire("\\\\Autre\\Data\\Sons\\", true);
    // Neither the share nor the server's folder was made.
    EXPECT_FALSE(QFileInfo(host("\\\\Autre\\Data")).dir().exists());
    EXPECT_EQ(folderLines(), QStringList("Folder '\\\\Autre\\Data\\' not found"));

    // A known server without the share: a share is never made either.
    VerificationEtCreationRepertoire("\\\\PC\\Absent\\Sons\\", true);
    EXPECT_FALSE(isFolder("\\\\PC\\Absent\\"));
    EXPECT_EQ(folderLines().size(), 2);
    EXPECT_EQ(folderLines().value(1), "Folder '\\\\PC\\Absent\\' not found");
}

// ---- Testing a folder ----------------------------------------------------------

TEST_F(FoldersTest, FolderFoundMakesAMissingFolderUnderAnExistingParent)
{
    QDir().mkpath(host("C:\\Partenaire\\"));
    EXPECT_TRUE(FolderFound("C:\\Partenaire\\_Bkp"));
    EXPECT_TRUE(isFolder("C:\\Partenaire\\_Bkp\\"));
    EXPECT_FALSE(FolderFound("  "));
}

TEST_F(FoldersTest, FolderFoundRemembersAFailureEvenAfterTheFolderIsMade)
{
    writeFile("C:\\X\\Bloc", "x");
    EXPECT_FALSE(FolderFound("C:\\X\\Bloc\\Sous"));
    QFile::remove(host("C:\\X\\Bloc"));
    QDir().mkpath(host("C:\\X\\Bloc\\Sous"));
    EXPECT_FALSE(FolderFound("C:\\X\\Bloc\\Sous"));
    // The parent of a missing folder is judged on its own.
    EXPECT_TRUE(FolderFound("C:\\X"));
}

TEST_F(FoldersTest, FolderFoundAnswersAParentOfAFoundFolderFromMemory)
{
    EXPECT_TRUE(FolderFound("C:\\P\\Q"));
    removeTree("C:\\P");
    EXPECT_TRUE(FolderFound("C:\\P"));
    EXPECT_FALSE(isFolder("C:\\P\\"));
    // A longer name that merely starts the same way is not taken from memory.
    EXPECT_TRUE(FolderFound("C:\\AB"));
    writeFile("C:\\A", "a file");
    EXPECT_FALSE(FolderFound("C:\\A"));
}

TEST_F(FoldersTest, FolderFoundOnAnUnreachableDriveIsAnIncidentAndNotRemembered)
{
    EXPECT_FALSE(FolderFound("Q:\\Data"));
    EXPECT_FALSE(FolderFound("Q:\\Data"));
    const QString line = "Err: Folder not found: Q:\\Data |Source: Lib_Systeme:FolderFound:1";
    EXPECT_EQ(traced(), QStringList({line, line}));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 2);
}

} // namespace
} // namespace qn3::services
