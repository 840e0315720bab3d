#include "services/network_shares.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

// This computer, "PC", publishes the shares of a configuration the test writes.
class NetworkSharesTest : public testing::ServicesTest {
protected:
    NetworkSharesTest()
    {
        const QString conf = prefix.path() + "/smb.conf", c = prefix.driveC();
        qputenv("QN3_SMB_CONF", conf.toLocal8Bit());
        VersionOS.dwPlatformId = 2;
        for (const char* folder : {"/Radio/Data/Sons/Pub", "/Radio/Data2/X", "/Sons"})
            QDir().mkpath(c + QLatin1String(folder));
        writeFile("C:\\Bloc", "a file, no folder");
        writeFile("Z:" + conf, QStringLiteral("[Data2]\npath = %1/Radio/Data2\n[ADMIN$]\npath = %1/Radio/Data2\n"
                                                              "[Data]\npath = %1/Radio/Data\n[Root]\npath = %1/\n[Bloc]\npath = %1/Bloc\n")
                                                   .arg(c).toUtf8());
    }
    ~NetworkSharesTest() override { qunsetenv("QN3_SMB_CONF"); }
    QString change(const QString& dossier) { return ChangeUNCFolder2LocalFolder(-1, dossier, "PC"); }
};

TEST_F(NetworkSharesTest, APathThroughADiskShareBecomesItsLocalFolder)
{
    const struct {
        const char16_t *dossier, *local;
    } table[] = {
        {u"\\\\PC\\Data\\Sons\\Pub\\", u"C:\\Radio\\Data\\Sons\\Pub\\"},
        {u"\\\\pc\\DATA\\Sons\\Pub\\", u"C:\\Radio\\Data\\Sons\\Pub\\"},
        {u"\\\\PC\\Root\\Sons\\", u"C:\\Sons\\"},          // one backslash after the colon
        {u"\\\\PC\\Data2\\X\\", u"C:\\Radio\\Data2\\X\\"}, // Data is not taken for Data2
        {u"\\\\PC\\Data", u"\\\\PC\\Data"},                // nothing after the share
        {u"\\\\PC\\ADMIN$\\X\\", u"\\\\PC\\ADMIN$\\X\\"},  // an administrative share
        {u"\\\\AUTRE\\Data\\Sons\\", u"\\\\AUTRE\\Data\\Sons\\"},
        {u"\\\\PC\\Bloc\\Sons\\", u"\\\\PC\\Bloc\\Sons\\"}, // its folder cannot be there
    };
    for (const auto& row : table)
        EXPECT_EQ(change(QString::fromUtf16(row.dossier)), QString::fromUtf16(row.local));
    const QStringList lines = traced();
    EXPECT_TRUE(lines.contains("Shared Paths List |UNC Path to Change: \\\\PC\\Bloc\\Sons\\"));
    EXPECT_TRUE(lines.contains("04: UNC: Local Path found: C:\\Bloc\\Sons\\"));
    EXPECT_TRUE(lines.filter("Path change from: \\\\PC\\Bloc").isEmpty());
    EXPECT_TRUE(lines.contains("02: UNC: Path change from: \\\\PC\\Data\\Sons\\Pub\\ to: C:\\Radio\\Data\\Sons\\Pub\\"));
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
