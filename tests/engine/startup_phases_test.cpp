#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "engine/startup_phases.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_msg.h"

#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class StartupPhases : public qn3::testing::ServicesTest {
protected:
    ~StartupPhases() override
    {
        engine::FrmSetup::unload();
        windows::FrmMsg::destroyInstance();
        engine::AttenteAffichee = false;
    }

    // The phase the wait window shows, checked whole in its label.
    static QString shownPhase()
    {
        const QLabel* label = windows::FrmMsg::instance().LabelMsgInit;
        EXPECT_TRUE(label->isVisible());
        EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text())) << label->text().toStdString();
        return label->text();
    }
};

} // namespace

// The settings window names its own phases in the wait window while the
// start-up shows it, and the start-up ends on the display phase.
TEST_F(StartupPhases, TheWaitWindowNamesTheSettingsWindowsPhasesAndTheDisplay)
{
    windows::FrmMsg::instance().show();
    engine::AttenteAffichee = true;
    engine::FrmSetup::instance();
    EXPECT_EQ(shownPhase(), QStringLiteral("Tools Vandrel: Setup: Init: Folders"));
    qn3::testing::saveScreenshot(&windows::FrmMsg::instance(), QStringLiteral("FrmMsg_setup_phase"));

    engine::PhasesDemarrage phases;
    phases.debut(QStringLiteral("Display"));
    EXPECT_EQ(shownPhase(), QStringLiteral("Tools Vandrel: Init: Display"));
}

// Once the start-up is over, loading the settings window again neither
// writes into the wait window nor brings it back.
TEST_F(StartupPhases, ALaterSettingsWindowLeavesTheWaitWindowAlone)
{
    windows::FrmMsg::instance().show();
    windows::FrmMsg::instance().LabelMsgInit->setText(QStringLiteral("Quillon"));
    engine::AttenteAffichee = false;
    engine::FrmSetup::instance();
    EXPECT_EQ(windows::FrmMsg::instance().LabelMsgInit->text(), QStringLiteral("Quillon"));

    engine::FrmSetup::unload();
    windows::FrmMsg::destroyInstance();
    engine::AttenteAffichee = true; // a start-up stopped before unloading it
    engine::FrmSetup::instance();
    EXPECT_FALSE(windows::FrmMsg::exists());
}
