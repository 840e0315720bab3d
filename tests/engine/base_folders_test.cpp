#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

using namespace qn3;

namespace {

// The settings window's folders of the base in use, from a site in the test's prefix.
class BaseFolders : public qn3::testing::ServicesTest {
protected:
    ~BaseFolders() override { engine::FrmSetup::unload(); }

    void site(const QByteArray& text) const
    {
        writeFile(QStringLiteral("C:\\Program Files\\QN3\\Settings\\QN3_Config.ini"), text + "[ThemeWindows]\nMsg=1\n");
    }
};

} // namespace

TEST_F(BaseFolders, TheChosenBaseOfSeveralIsReadUnderItsOwnSectionUnlessItsFileHasTheFirstBases)
{
    site("[Site]\nNbBase=3\nNoBase=3\nDossier_Config_Global=C:\\B3\\\n");
    writeFile(QStringLiteral("C:\\B3\\QN3_Systeme.ini"),
              "[Base_03]\nDossier_Data=C:\\D3\nDossier_Log=C:\\Log3\nDossier_Log_Pub=C:\\Pub3\nNbStation=3\n");
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\D3\\");
    EXPECT_EQ(services::RepLogs.toStdString(), "C:\\Log3\\Histo_QN3_Tools_Vandrel\\");
    EXPECT_EQ(engine::RepLogPub[0].toStdString(), "C:\\Pub3\\");
    EXPECT_EQ(services::DerniereStation[0], 3);
    engine::FrmSetup::unload();

    // A base file copied from a one-base site keeps being read as the first base's.
    writeFile(QStringLiteral("C:\\B3\\QN3_Systeme.ini"), "[Base_01]\nDossier_Data=C:\\D1\n[Base_03]\nDossier_Data=C:\\D3\n");
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\D1\\");
    engine::FrmSetup::unload();

    // One base: its number in [Site] does not count.
    site("[Site]\nNbBase=1\nNoBase=3\nDossier_Config_Global=C:\\B3\\\n");
    writeFile(QStringLiteral("C:\\B3\\QN3_Systeme.ini"), "[Base_03]\nDossier_Data=C:\\D3\n");
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\QN_Data\\");
}
