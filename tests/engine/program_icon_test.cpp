#include "engine/frm_main.h"
#include "engine/program_icon.h"
#include "services/trace_log.h"
#include "support/services_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

using namespace qn3;

namespace {

class ProgramIcon : public qn3::testing::ServicesTest {
protected:
    ~ProgramIcon() override { engine::FrmMain::destroyInstance(); }
};

QImage painted(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// The program's own picture, not the style's generic computer: a blue
// rounded square (clear corners) with a white Q and amber waves.
TEST_F(ProgramIcon, IsTheProgramsOwnPicture)
{
    const QImage icon = painted(engine::IconeProgramme());
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    const QColor background = icon.pixelColor(3, 28);
    EXPECT_GT(background.blue(), background.red() + 60);
    int white = 0, amber = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QColor c = icon.pixelColor(x, y);
            white += c.red() > 230 && c.green() > 230 && c.blue() > 230;
            amber += c.red() > 200 && c.green() > 150 && c.blue() < 120;
        }
    EXPECT_GT(white, 40);
    EXPECT_GT(amber, 10);
    EXPECT_NE(icon, painted(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)));
    icon.save(QStringLiteral("screenshots/program_icon.png"));
}

// The main window and its notification-area icon carry it; an incident makes
// the notification-area icon blink until the user acknowledges it.
TEST_F(ProgramIcon, MarksTheMainWindowAndBlinksInTheNotificationAreaOnAnIncident)
{
    const QImage program = painted(engine::IconeProgramme());
    engine::FrmMain& window = engine::FrmMain::instance();
    window.show();
    EXPECT_EQ(painted(window.windowIcon()), program);
    auto* tray = window.findChild<QSystemTrayIcon*>(QStringLiteral("IconeVeille"));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(painted(tray->icon()), program);

    services::TraceLog(-1, -1, -1, QStringLiteral("Err: the partner folder is missing"), true, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted(tray->icon()) != program; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted(tray->icon()) == program; }, 3000));

    window.findChild<QCheckBox*>(QStringLiteral("CheckIncidents"))->setChecked(false);
    EXPECT_EQ(painted(tray->icon()), program);
}
