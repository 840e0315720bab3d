#include "platform/samba_shares.h"

#include <QStringList>

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
        const char16_t *name, *comment, *path;
        uint32_t type;
        int32_t maxUses;
    } expected[] = {
        {u"Data", u"Sons", u"/srv/data", Disk, UnlimitedUses}, // the later section's comment wins
        {u"Imprimante", u"", u"/var/spool/x", PrintQueue, UnlimitedUses},
        {u"ADMIN$", u"", u"/srv", Disk | Special, UnlimitedUses}, {u"Limite", u"", u"/srv/lim", Disk, 5}};
    ASSERT_EQ(shares.size(), std::size(expected));
    for (size_t i = 0; i < shares.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(QStringList({shares[i].name, shares[i].comment, shares[i].path}),
                  QStringList({QString::fromUtf16(e.name), QString::fromUtf16(e.comment), QString::fromUtf16(e.path)}));
        EXPECT_TRUE(shares[i].type == e.type && shares[i].maxUses == e.maxUses) << i;
    }
    EXPECT_EQ(parseConfiguration("[Long]\n comment = a \\\n b \\\n").front().comment, QStringLiteral("a b"));
}

} // namespace
} // namespace qn3::platform::shares
