#include "platform/samba_shares.h"
#include "platform/windows_path.h"
#include "support/temp_prefix.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qn3::platform::shares {
namespace {

TEST(SambaShares, ReadsTheSharesOfAConfigurationAsSambaDoes)
{
    const char* conf = "[global]\n   workgroup = RADIO\n   path = /nowhere\n"
                       "# a comment\n; another\n"
                       "[Data]\n   comment = Sons \\\n      et pubs\n   Path = /srv/data\n"
                       "[homes]\n   path = /home\n[printers]\n   path = /var/spool\n"
                       "[Imprimante]\n   print_ok = yes\n   path = /var/spool/x\n"
                       "[ADMIN$]\n   path = /srv\n"
                       "[Ferme]\n   path = /srv/ferme\n   available = no\n"
                       "[Limite]\r\n   max connections = 5\r\n   directory = /srv/lim\r\n"
                       "not a line\n= no key\n[]\n"
                       "[data]\n   comment = Sons\n";
    const std::vector<Share> shares = parseConfiguration(conf);
    const struct {
        const char16_t* name;
        uint32_t type;
        const char16_t* comment;
        const char16_t* path;
        int32_t maxUses;
    } expected[] = {
        {u"Data", Disk, u"Sons", u"/srv/data", UnlimitedUses}, // the later section's comment wins
        {u"Imprimante", PrintQueue, u"", u"/var/spool/x", UnlimitedUses},
        {u"ADMIN$", Disk | Special, u"", u"/srv", UnlimitedUses},
        {u"Limite", Disk, u"", u"/srv/lim", 5},
    };
    ASSERT_EQ(shares.size(), std::size(expected));
    for (size_t i = 0; i < shares.size(); ++i) {
        EXPECT_EQ(shares[i].name, QString::fromUtf16(expected[i].name));
        EXPECT_EQ(shares[i].type, expected[i].type) << i;
        EXPECT_EQ(shares[i].comment, QString::fromUtf16(expected[i].comment)) << i;
        EXPECT_EQ(shares[i].path, QString::fromUtf16(expected[i].path)) << i;
        EXPECT_EQ(shares[i].maxUses, expected[i].maxUses) << i;
    }
    EXPECT_EQ(parseConfiguration("[Long]\n comment = a \\\n b \\\n").front().comment, QStringLiteral("a b"));
}

TEST(SambaShares, TheLocalFileGivesWindowsPathsAndItsAbsenceNoShares)
{
    testing::TempPrefix prefix;
    const QString file = prefix.path() + QStringLiteral("/smb.conf");
    qputenv("QN3_SMB_CONF", file.toLocal8Bit());
    EXPECT_TRUE(localShares().empty());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QStringLiteral("[Data]\npath = %1/Radio/\n[Root]\npath = %1\n").arg(prefix.driveC()).toUtf8());
    out.close();
    const std::vector<Share> shares = localShares();
    qunsetenv("QN3_SMB_CONF");
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].path, QStringLiteral("C:\\Radio"));
    EXPECT_EQ(shares[1].path, QStringLiteral("C:\\"));
}

} // namespace
} // namespace qn3::platform::shares
