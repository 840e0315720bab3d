#include "engine/frm_main.h"
#include "engine/startup.h"
#include "platform/windows_path.h"
#include "services/shared_values.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class EngineStartup : public qn3::testing::ServicesTest {
protected:
    ~EngineStartup() override
    {
        services::Frm_Main().SkinFramework.setDresser(nullptr);
        engine::FrmMain::destroyInstance();
    }
};

} // namespace

TEST_F(EngineStartup, TheLookIsSetUpOnTheMainWindowWithTheSkinsBelowTheProgram)
{
    services::RepApplication.clear();
    services::Frm_Main().hWnd = 0;
    int32_t handedWindow = 0;
    services::Frm_Main().SkinFramework.setDresser(
        [&](const QString&, const QString&) { handedWindow = services::Frm_Main().hWnd; });

    engine::ChargementFenetrePrincipale();
    EXPECT_EQ(services::Frm_Main().SkinFramework.skinsFolder().toStdString(),
              (platform::paths::applicationFolder() + QStringLiteral("Settings\\Skins\\Styles")).toStdString());
    EXPECT_NE(handedWindow, 0);
}
