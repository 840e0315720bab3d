#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "engine/suite_settings.h"
#include "services/os_facts.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"

#include <QDir>

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
    writeFile(QStringLiteral("C:\\B3\\QN3_Systeme.ini"),
              "[Base_01]\nDossier_Data=C:\\D1\n[Base_03]\nDossier_Data=C:\\D3\n");
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\D1\\");
    engine::FrmSetup::unload();

    // One base: its number in [Site] does not count.
    site("[Site]\nNbBase=1\nNoBase=3\nDossier_Config_Global=C:\\B3\\\n");
    writeFile(QStringLiteral("C:\\B3\\QN3_Systeme.ini"), "[Base_03]\nDossier_Data=C:\\D3\n");
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\QN_Data\\");
}

// The folders through this computer's own shares, from the settings and the
// suite's sound folders, are used through the shares' local folders.
TEST_F(BaseFolders, FoldersThroughThisComputersSharesBecomeTheirLocalFolders)
{
    const QString conf = prefix.path() + QStringLiteral("/smb.conf");
    qputenv("QN3_SMB_CONF", conf.toLocal8Bit());
    writeFile(QStringLiteral("Z:") + conf, QStringLiteral("[Radio]\npath = %1/Radio\n").arg(prefix.driveC()).toUtf8());
    for (const char* folder : {"/Radio/Data", "/Radio/Partage", "/Radio/Sons/Pub"})
        QDir().mkpath(prefix.driveC() + QLatin1String(folder));
    services::GetVersionExA(services::VersionOS);
    const QString poste = QStringLiteral("\\\\") + services::ComputerName() + QStringLiteral("\\Radio\\");

    site("[Site]\nDossier_Config_Global=C:\\Cfg\n");
    writeFile(QStringLiteral("C:\\Cfg\\QN3_Systeme.ini"),
              ("[Base_01]\nDossier_Data=" + poste + "Data\nDossier_Shared=" + poste + "Partage\\\n").toLatin1());
    engine::FrmSetup::instance();
    EXPECT_EQ(services::RepBtr[0].toStdString(), "C:\\Radio\\Data\\");
    EXPECT_EQ(engine::RepPartage[0].toStdString(), "C:\\Radio\\Partage\\");

    services::RepSons[0][6][0] = poste + QStringLiteral("Sons\\Pub\\");
    services::RepSons[0][0][0] = QStringLiteral("\\\\AUTRE\\Radio\\Sons\\");
    engine::LocalisationRepSons(0);
    EXPECT_EQ(services::RepSons[0][6][0].toStdString(), "C:\\Radio\\Sons\\Pub\\");
    EXPECT_EQ(services::RepSons[0][0][0].toStdString(), "\\\\AUTRE\\Radio\\Sons\\");
    qunsetenv("QN3_SMB_CONF");
}
