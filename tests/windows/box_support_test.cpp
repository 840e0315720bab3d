#include "windows/box_support.h"

#include "services/os_facts.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msgbox.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMouseEvent>

#include <cmath>

#include <memory>
#include <tuple>

namespace qn3::windows {
namespace {

using TopmostBoxTest = testing::ServicesTest;

// The message box and the input box handle keys and the mouse alike: a key
// release records the modifiers held, Escape leaves the box open, the
// pointer moving over it gives it the keyboard.
TEST_F(TopmostBoxTest, BothBoxesHandleKeysAndMouseAlike)
{
    const std::unique_ptr<TopmostBox> boxes[] = {std::make_unique<FrmMsgBox>(nullptr),
                                                 std::make_unique<FrmInputBox>(nullptr)};
    for (const auto& box : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_FALSE(box->isModal());
        box->show();
        services::ToucheCtrl = services::ToucheShift = 0, services::ToucheAlt = -1; // each box must set all three
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QApplication::sendEvent(box.get(), &release);
        EXPECT_EQ(std::tuple(services::ToucheCtrl, services::ToucheShift, services::ToucheAlt), std::tuple(-1, -1, 0));
        testing::press(box.get(), Qt::Key_Escape);
        EXPECT_TRUE(box->isVisible());

        QWidget other;
        other.show();
        other.activateWindow();
        QApplication::processEvents();
        ASSERT_FALSE(box->isActiveWindow());
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(box.get(), &move);
        QApplication::processEvents();
        EXPECT_TRUE(box->isActiveWindow());
    }
}

// A title bar shows its caption whole in the frame the window manager
// reports, without making the box needlessly wide. Openbox on this project's
// X server (extents left 1, right 1, top 20, bottom 1) draws the caption in
// its theme's bold 8-point sans at 100 dpi, and beside it the window icon
// and the close box, which take 44 pixels with their paddings, inside a
// border of 1. A taller title bar takes larger letters. Where no title bar is
// known (the offscreen platform's frame, or none), the caption still fits in
// bold letters of the desktop's size with the icon and three buttons.
TEST_F(TopmostBoxTest, CaptionWidthFollowsTheWindowManagersFrame)
{
    const QString caption = QStringLiteral("Quillon: Tools VANDREL - 2026.1207.1121");
    QFont openboxFont(QStringLiteral("DejaVu Sans"));
    openboxFont.setBold(true);
    openboxFont.setPointSizeF(8 * 100 / 96.0);
    const int openbox = static_cast<int>(std::ceil(QFontMetricsF(openboxFont).horizontalAdvance(caption))) + 44 + 2;
    QFont desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    desktopFont.setBold(true);
    const QFontMetrics desktop(desktopFont);
    const int unframed = desktop.horizontalAdvance(caption) + 4 * desktop.height();

    EXPECT_GE(captionWidthPixels(caption, QMargins(1, 20, 1, 1)), openbox);
    EXPECT_LE(captionWidthPixels(caption, QMargins(1, 20, 1, 1)), openbox * 13 / 10);
    EXPECT_GT(captionWidthPixels(caption, QMargins(4, 34, 4, 4)), captionWidthPixels(caption, QMargins(1, 20, 1, 1)));
    for (const QMargins& unknown : {QMargins(), QMargins(2, 2, 2, 2)})
        EXPECT_GE(captionWidthPixels(caption, unknown), unframed);
}

} // namespace
} // namespace qn3::windows
