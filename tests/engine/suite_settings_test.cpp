#include "engine/suite_settings.h"
#include "services/ini_access.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class SuiteSettings : public qn3::testing::ServicesTest {
protected:
    SuiteSettings() { services::RepConfig[0] = QStringLiteral("C:\\Config\\"); }
    void set(const QString& section, const QString& key, const QString& value)
    {
        services::EcritureIni(QStringLiteral("C:\\Config\\ZT_SYS.ini"), section, key, value);
    }
};

} // namespace

TEST_F(SuiteSettings, ProgramFolderFollowsTheNetworkSwitch)
{
    engine::LectureRepPRG(0);
    EXPECT_EQ(services::RepPRG, QStringLiteral("C:\\Sonvarek\\Quillon\\"));

    set(QStringLiteral("Repertoires"), QStringLiteral("REPPRG"), QStringLiteral("D:\\Quillon"));
    set(QStringLiteral("Repertoires_UNC"), QStringLiteral("REPPRG"), QStringLiteral("\\\\PC\\Quillon\\"));
    engine::LectureRepPRG(0);
    EXPECT_EQ(services::RepPRG, QStringLiteral("D:\\Quillon\\"));
    set(QStringLiteral("UNC_Actif"), QStringLiteral("REPPRG"), QStringLiteral("ON"));
    engine::LectureRepPRG(0);
    EXPECT_EQ(services::RepPRG, QStringLiteral("\\\\PC\\Quillon\\"));
}

TEST_F(SuiteSettings, SoundFoldersInUseArePackedFromTheFirstSlot)
{
    services::RepSons[0][6][5] = QStringLiteral("C:\\Stale\\");
    const QString local = QStringLiteral("Repertoire_Station_001");
    set(local, QStringLiteral("PUB_00"), QStringLiteral("0,C:\\Off\\"));
    set(local, QStringLiteral("PUB_02"), QStringLiteral("1,C:\\Pub"));
    set(local, QStringLiteral("PUB_03"), QStringLiteral("1,   "));
    set(local, QStringLiteral("PUB_04"), QStringLiteral("1,C:\\Pub2\\"));
    set(QStringLiteral("UNC_Actif001"), QStringLiteral("PUB_04"), QStringLiteral("ON"));
    set(QStringLiteral("Repertoire_Station_UNC_001"), QStringLiteral("PUB_04"), QStringLiteral("1,\\\\PC\\Pub\\"));
    set(local, QStringLiteral("000_09"), QStringLiteral("1,C:\\Music\\"));

    engine::LectureRepSons(0);
    const auto& pub = services::RepSons[0][6];
    EXPECT_EQ(pub[0], QStringLiteral("C:\\Pub\\"));
    EXPECT_EQ(pub[1], QStringLiteral("\\\\PC\\Pub\\"));
    for (int slot = 2; slot < services::kSlots; ++slot)
        EXPECT_TRUE(pub[slot].isEmpty()) << slot;
    EXPECT_EQ(services::RepSons[0][0][0], QStringLiteral("C:\\Music\\"));
    EXPECT_TRUE(services::RepSons[0][5][0].isEmpty());
}
