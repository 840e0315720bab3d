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
    QString conf = prefix.path() + QStringLiteral("/smb.conf");
    NetworkSharesTest()
    {
        qputenv("QN3_SMB_CONF", conf.toLocal8Bit());
        VersionOS.dwPlatformId = 2;
        const QString c = prefix.driveC();
        QDir().mkpath(c + QStringLiteral("/Radio/Data/Sons/Pub"));
        QDir().mkpath(c + QStringLiteral("/Radio/Data2/X"));
        QDir().mkpath(c + QStringLiteral("/Sons"));
        writeFile(QStringLiteral("C:\\Bloc"), "a file, no folder");
        QFile out(conf);
        if (!out.open(QIODevice::WriteOnly))
            ADD_FAILURE() << "cannot write smb.conf";
        out.write(QStringLiteral("[Data2]\npath = %1/Radio/Data2\n[ADMIN$]\npath = %1/Radio/Data2\n"
                                 "[Data]\npath = %1/Radio/Data\n[Root]\npath = %1/\n[Bloc]\npath = %1/Bloc\n")
                      .arg(c)
                      .toUtf8());
    }
    ~NetworkSharesTest() override { qunsetenv("QN3_SMB_CONF"); }
    QString change(const QString& dossier) { return ChangeUNCFolder2LocalFolder(-1, dossier, QStringLiteral("PC")); }
};

TEST_F(NetworkSharesTest, APathThroughADiskShareBecomesItsLocalFolder)
{
    const struct {
        const char16_t* dossier;
        const char16_t* local;
    } table[] = {
        {u"\\\\PC\\Data\\Sons\\Pub\\", u"C:\\Radio\\Data\\Sons\\Pub\\"},
        {u"\\\\pc\\DATA\\Sons\\Pub\\", u"C:\\Radio\\Data\\Sons\\Pub\\"},
        {u"\\\\PC\\Root\\Sons\\", u"C:\\Sons\\"},          // one backslash after the colon
        {u"\\\\PC\\Data2\\X\\", u"C:\\Radio\\Data2\\X\\"}, // Data is not taken for Data2
        {u"\\\\PC\\Data", u"\\\\PC\\Data"},                // nothing after the share
        {u"\\\\PC\\ADMIN$\\X\\", u"\\\\PC\\ADMIN$\\X\\"},  // an administrative share
        {u"\\\\AUTRE\\Data\\Sons\\", u"\\\\AUTRE\\Data\\Sons\\"},
    };
    for (const auto& row : table)
        EXPECT_EQ(change(QString::fromUtf16(row.dossier)), QString::fromUtf16(row.local)) << QString::fromUtf16(row.dossier).toStdString();
}

TEST_F(NetworkSharesTest, TheSearchIsTracedAndAMissingFolderChangesNothing)
{
    EXPECT_EQ(change(QStringLiteral("\\\\PC\\Bloc\\Sons\\")), QStringLiteral("\\\\PC\\Bloc\\Sons\\"));
    EXPECT_TRUE(traced().contains(QStringLiteral("Shared Paths List |UNC Path to Change: \\\\PC\\Bloc\\Sons\\")));
    EXPECT_TRUE(traced().contains(QStringLiteral("04: UNC: Local Path found: C:\\Bloc\\Sons\\")));
    EXPECT_TRUE(traced().filter(QStringLiteral("Path change")).isEmpty());
    change(QStringLiteral("\\\\PC\\Data\\Sons\\"));
    EXPECT_TRUE(traced().contains(QStringLiteral("02: UNC: Path change from: \\\\PC\\Data\\Sons\\ to: C:\\Radio\\Data\\Sons\\")));
}

TEST_F(NetworkSharesTest, ListingFollowsThePlatformAndTheServer)
{
    std::vector<PartageReseau> partages;
    EXPECT_EQ(ListePartagesReseau(partages, QStringLiteral("\\\\AUTRE")), 0);
    EXPECT_EQ(ListePartagesReseau(partages, QString()), 5);
    EXPECT_EQ(partages[1].Type, int32_t(0x80000000u));
    VersionOS.dwPlatformId = 1;
    partages.clear();
    EXPECT_EQ(ListePartagesReseauNT(partages, QString()), 0);
    EXPECT_TRUE(partages.empty());
    const int lines = Frm_Main().ListeLogTemp.ListCount();
    EXPECT_EQ(change(QStringLiteral("\\\\PC\\Data\\Sons\\Pub\\")), QStringLiteral("\\\\PC\\Data\\Sons\\Pub\\"));
    EXPECT_EQ(Frm_Main().ListeLogTemp.ListCount(), lines);
}

} // namespace
} // namespace qn3::services
