#include "services/folders.h"
#include "services/network_shares.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qn3::services {
namespace {

struct FoldersTest : testing::ServicesTest {
    bool isFolder(const QString& windowsPath) const { return QFileInfo(host(windowsPath)).isDir(); }
    void removeTree(const QString& windowsPath) const { QDir(host(windowsPath)).removeRecursively(); }
    QStringList folderLines() const { return traced().filter("Folder '"); }
    static void make(const QString& folder, bool report = true) { VerificationEtCreationRepertoire(folder, report); }
};

TEST_F(FoldersTest, MakesEveryMissingLevelCleaningBarsAndCommasAndRemembersThePath)
{
    make("C:\\Un\\Deux\\Trois");
    EXPECT_TRUE(isFolder("C:\\Un\\Deux\\Trois\\"));
    // Known for the run: a second call does not look at the disk again.
    removeTree("C:\\Un");
    make("C:\\Un\\Deux\\Trois\\");
    EXPECT_FALSE(isFolder("C:\\Un\\"));
    make("C:\\Pub,Radio\\A|B\\");
    EXPECT_TRUE(isFolder("C:\\Pub Radio\\A B\\"));
    EXPECT_TRUE(traced().isEmpty());
}

TEST_F(FoldersTest, ALevelThatCannotBeMadeIsReportedOncePerRun)
{
    writeFile("C:\\Bloc", "a file where a folder should be");
    make("C:\\Bloc\\Sous\\");
    make("C:\\Bloc\\Sous\\");
    EXPECT_EQ(folderLines(), QStringList("Folder 'C:\\Bloc\\' not found"));
    // Deeper: the known failure passes silently, the next level is reported.
    make("C:\\Bloc\\Sous\\Plus\\");
    EXPECT_EQ(folderLines(), QStringList({"Folder 'C:\\Bloc\\' not found", "Folder 'C:\\Bloc\\Sous\\' not found"}));
    EXPECT_EQ(readFile("C:\\Bloc"), "a file where a folder should be");
}

TEST_F(FoldersTest, AnUnmappedDriveIsAnIncidentForFolderFoundEachTimeAndAPlainErrLineForTheMaker)
{
    EXPECT_FALSE(FolderFound("Q:\\Data"));
    EXPECT_FALSE(FolderFound("Q:\\Data"));
    const QString line = "Err: Folder not found: Q:\\Data |Source: Lib_Systeme:FolderFound:1";
    EXPECT_EQ(traced(), QStringList({line, line}));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 2);

    // The maker: an unmapped drive or a file in the way is only traced.
    writeFile("C:\\Bloc", "x");
    make("Q:\\a\\b\\");
    make("C:\\Bloc\\Sous\\", false);
    const QString source = " |Source: Lib_Systeme:VerificationEtCreationRepertoire:3"; // the make-directory
    EXPECT_TRUE(traced().contains("Err: Folder not found: Q:\\a\\b\\" + source));
    EXPECT_TRUE(traced().contains("Err: Folder not found: C:\\Bloc\\Sous\\" + source));
    EXPECT_TRUE(traced().filter("Folder 'C:").isEmpty()); // without report, no "Folder '...' not found" line
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 2);
}

TEST_F(FoldersTest, NetworkPathsNeverMakeTheServerLevel)
{
    QDir().mkpath(host("\\\\PC\\Data\\"));
    make("\\\\PC\\Data\\Sons\\Pub");
    EXPECT_TRUE(isFolder("\\\\PC\\Data\\Sons\\Pub\\"));

    make("\\\\Autre\\Data\\Sons\\");
    // Neither the share nor the server's folder was made.
    EXPECT_FALSE(QFileInfo(host("\\\\Autre\\Data")).dir().exists());
    EXPECT_EQ(folderLines(), QStringList("Folder '\\\\Autre\\Data\\' not found"));

    // A known server without the share: a share is never made either.
    make("\\\\PC\\Absent\\Sons\\");
    EXPECT_FALSE(isFolder("\\\\PC\\Absent\\"));
    EXPECT_EQ(folderLines(),
              QStringList({"Folder '\\\\Autre\\Data\\' not found", "Folder '\\\\PC\\Absent\\' not found"}));
}

TEST_F(FoldersTest, FolderFoundMakesAMissingFolderUnderAnExistingParentAndRemembersItsAnswers)
{
    QDir().mkpath(host("C:\\Partenaire\\"));
    EXPECT_TRUE(FolderFound("C:\\Partenaire\\_Bkp"));
    EXPECT_TRUE(isFolder("C:\\Partenaire\\_Bkp\\"));
    EXPECT_FALSE(FolderFound("  "));

    writeFile("C:\\X\\Bloc", "x");
    EXPECT_FALSE(FolderFound("C:\\X\\Bloc\\Sous"));
    QFile::remove(host("C:\\X\\Bloc"));
    QDir().mkpath(host("C:\\X\\Bloc\\Sous"));
    EXPECT_FALSE(FolderFound("C:\\X\\Bloc\\Sous")); // even after the folder is made
    EXPECT_TRUE(FolderFound("C:\\X"));               // the parent of a missing folder is judged on its own

    // The parent of a found folder is answered from memory, a longer name that merely starts the same way is not.
    removeTree("C:\\Partenaire");
    EXPECT_TRUE(FolderFound("C:\\Partenaire"));
    EXPECT_FALSE(isFolder("C:\\Partenaire\\"));
    EXPECT_TRUE(FolderFound("C:\\AB"));
    writeFile("C:\\A", "a file");
    EXPECT_FALSE(FolderFound("C:\\A"));
}

// This computer, "PC", publishes the shares of a configuration the test writes.
struct NetworkSharesTest : testing::ServicesTest {
    NetworkSharesTest()
    {
        const QString conf = prefix.path() + "/smb.conf", c = prefix.driveC();
        qputenv("QN3_SMB_CONF", conf.toLocal8Bit());
        VersionOS.dwPlatformId = 2;
        for (const char* folder : {"/Radio/Data/Sons/Pub", "/Radio/Data2/X", "/Sons"})
            QDir().mkpath(c + QLatin1String(folder));
        writeFile("C:\\Bloc", "a file, no folder");
        // Bloc's folder cannot be there: a file has its name.
        const QString shares = "[Data2]\npath = %1/Radio/Data2\n[ADMIN$]\npath = %1/Radio/Data2\n[Data]\n"
                               "path = %1/Radio/Data\n[Root]\npath = %1/\n[Bloc]\npath = %1/Bloc\n";
        writeFile("Z:" + conf, shares.arg(c).toUtf8());
    }
    ~NetworkSharesTest() override { qunsetenv("QN3_SMB_CONF"); }
    static QString change(const QString& dossier) { return ChangeUNCFolder2LocalFolder(-1, dossier, "PC"); }
};

TEST_F(NetworkSharesTest, APathThroughADiskShareBecomesItsLocalFolder)
{
    const std::pair<const char*, const char*> table[] = {
        {"\\\\PC\\Data\\Sons\\Pub\\", "C:\\Radio\\Data\\Sons\\Pub\\"},
        {"\\\\pc\\DATA\\Sons\\Pub\\", "C:\\Radio\\Data\\Sons\\Pub\\"},
        {"\\\\PC\\Root\\Sons\\", "C:\\Sons\\"},          // one backslash after the colon
        {"\\\\PC\\Data2\\X\\", "C:\\Radio\\Data2\\X\\"}, // Data is not taken for Data2
        {"\\\\PC\\Data", "\\\\PC\\Data"},                // nothing after the share
        {"\\\\PC\\ADMIN$\\X\\", "\\\\PC\\ADMIN$\\X\\"},  // an administrative share
        {"\\\\AUTRE\\Data\\Sons\\", "\\\\AUTRE\\Data\\Sons\\"}, {"\\\\PC\\Bloc\\Sons\\", "\\\\PC\\Bloc\\Sons\\"},
    };
    for (const auto& [dossier, local] : table)
        EXPECT_EQ(change(dossier), local);
    const QStringList lines = traced();
    EXPECT_TRUE(lines.contains("Shared Paths List |UNC Path to Change: \\\\PC\\Bloc\\Sons\\"));
    EXPECT_TRUE(lines.contains("04: UNC: Local Path found: C:\\Bloc\\Sons\\"));
    EXPECT_TRUE(lines.filter("Path change from: \\\\PC\\Bloc").isEmpty());
    EXPECT_TRUE(
        lines.contains("02: UNC: Path change from: \\\\PC\\Data\\Sons\\Pub\\ to: C:\\Radio\\Data\\Sons\\Pub\\"));
}

TEST_F(NetworkSharesTest, OnlyAPathThroughThisComputerIsLookedUpAmongItsShares)
{
    const QString poste = "\\\\" + ComputerName().toLower();
    EXPECT_EQ(DossierLocalDuPoste(0, poste + "\\Data\\Sons\\Pub\\"), "C:\\Radio\\Data\\Sons\\Pub\\");
    const QStringList lines = traced();
    const QStringList others{"\\\\AUTRE\\Data\\Sons\\Pub\\", poste + "2\\Data\\Sons\\Pub\\", "C:\\Data\\", ""};
    for (const QString& other : others)
        EXPECT_EQ(DossierLocalDuPoste(0, other), other);
    EXPECT_EQ(traced(), lines); // the shares were not even listed
}

TEST_F(NetworkSharesTest, ListingFollowsThePlatformAndTheServer)
{
    std::vector<PartageReseau> partages;
    EXPECT_EQ(ListePartagesReseau(partages, "\\\\AUTRE"), 0);
    EXPECT_EQ(ListePartagesReseau(partages, QString()), 5);
    EXPECT_EQ(partages[1].Type, int32_t(0x80000000u));
    VersionOS.dwPlatformId = 1;
    partages.clear();
    EXPECT_EQ(ListePartagesReseauNT(partages, QString()), 0);
    EXPECT_TRUE(partages.empty());
    EXPECT_EQ(change("\\\\PC\\Data\\Sons\\Pub\\"), "\\\\PC\\Data\\Sons\\Pub\\");
    EXPECT_TRUE(traced().isEmpty());
}

} // namespace
} // namespace qn3::services
