#include "windows/box_support.h"

#include "services/os_facts.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msgbox.h"

#include <QMouseEvent>

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

} // namespace
} // namespace qn3::windows
