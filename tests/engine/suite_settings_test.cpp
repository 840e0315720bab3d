#include "engine/suite_settings.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class SuiteSettings : public qn3::testing::ServicesTest {
protected:
    SuiteSettings() { services::RepConfig[0] = QStringLiteral("C:\\Config\\"); }
    void writeSystemFile(const QByteArray& text) const { writeFile(QStringLiteral("C:\\Config\\ZT_SYS.ini"), text); }
};

} // namespace

TEST_F(SuiteSettings, ProgramFolderFollowsTheNetworkSwitch)
{
    const QByteArray folders = "[Repertoires]\nREPPRG=D:\\Quillon\n[Repertoires_UNC]\nREPPRG=\\\\PC\\Quillon\\\n";
    const struct { QByteArray system; QString folder; } cases[] = {
        {"", "C:\\Sonvarek\\Quillon\\"}, {folders, "D:\\Quillon\\"},
        {folders + "[UNC_Actif]\nREPPRG=ON\n", "\\\\PC\\Quillon\\"}};
    for (const auto& c : cases) {
        writeSystemFile(c.system);
        engine::LectureRepPRG(0);
        EXPECT_EQ(services::RepPRG, c.folder);
    }
}

TEST_F(SuiteSettings, SoundFoldersInUseArePackedFromTheFirstSlot)
{
    services::RepSons[0][6][5] = QStringLiteral("C:\\Stale\\");
    writeSystemFile("[Repertoire_Station_001]\nPUB_00=0,C:\\Off\\\nPUB_02=1,C:\\Pub\nPUB_03=1,   \n"
                    "PUB_04=1,C:\\Pub2\\\n000_09=1,C:\\Music\\\n[UNC_Actif001]\nPUB_04=ON\n"
                    "[Repertoire_Station_UNC_001]\nPUB_04=1,\\\\PC\\Pub\\\n");
    engine::LectureRepSons(0);
    const auto& pub = services::RepSons[0][6];
    EXPECT_EQ(pub[0], "C:\\Pub\\");
    EXPECT_EQ(pub[1], "\\\\PC\\Pub\\");
    for (int slot = 2; slot < services::kSlots; ++slot)
        EXPECT_TRUE(pub[slot].isEmpty()) << slot;
    EXPECT_EQ(services::RepSons[0][0][0], "C:\\Music\\");
    EXPECT_TRUE(services::RepSons[0][5][0].isEmpty());
}

// The chosen base of a site of several reads its sound folders under its own number, unless its file keeps base 1's.
TEST_F(SuiteSettings, SoundFoldersOfTheChosenBaseFollowItsNumber)
{
    writeFile(services::RepApplication + "Settings\\QN3_Config.ini",
              "[Site]\r\nNbBase=3\r\nNoBase=3\r\n[ThemeWindows]\r\nMsg=1\r\n");
    services::NoBaseEnCours = 3; // as the start-up keeps the base it chose
    const QByteArray third = "[Repertoire_Station_003]\nPUB_00=1,C:\\Pub3\\\n";
    writeSystemFile(third);
    engine::LectureRepSons(0);
    EXPECT_EQ(services::RepSons[0][6][0], "C:\\Pub3\\");
    writeSystemFile(third + "[UNC_Actif001]\n[Repertoire_Station_001]\nPUB_00=1,C:\\Pub1\\\n");
    engine::LectureRepSons(0);
    EXPECT_EQ(services::RepSons[0][6][0], "C:\\Pub1\\");
}
