#include "windows/qt_user_interaction.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msg.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/window_helpers.h"

#include <QDialog>

#include <functional>

namespace qn3::windows {
namespace {

using QtQuestionsTest = testing::ServicesTest;

// While a box or the open-file dialog waits, a window kept on top steps back;
// it is on top again once the answer is in.
TEST_F(QtQuestionsTest, TopmostWindowsStepBackAroundTheWait)
{
    QtUserInteraction questions;
    QWidget onTop;
    onTop.show();
    AfficherAuDessus(&onTop, -1);
    const std::function<void()> asks[] = {[] { ChoiceBox("a", {"Ok"}, nullptr); }, [] { InputBox({}); },
                                          [&] { questions.askOpenFile({"Logs", "C:\\", "Logs|*.log", {}}); }};
    for (const auto& ask : asks) {
        QString tagDuringWait;
        testing::whenWaiting([&] {
            tagDuringWait = onTop.property("Tag").toString();
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qobject_cast<QDialog*>(window) != nullptr && window->isVisible())
                    window->close();
        });
        ask();
        EXPECT_EQ(tagDuringWait, "-1");
        EXPECT_EQ(onTop.property("Tag").toString(), "1");
    }
}

// A question hides the wait window and shows it again after, only when it
// was shown before; it never makes one.
TEST_F(QtQuestionsTest, WaitWindowComesBackOnlyWhenItWasShown)
{
    QtUserInteraction questions;
    for (const bool shown : {true, false}) {
        FrmMsg::instance().setVisible(shown);
        questions.setWaitWindowVisible(false);
        EXPECT_FALSE(FrmMsg::instance().isVisible());
        questions.setWaitWindowVisible(true);
        EXPECT_EQ(FrmMsg::instance().isVisible(), shown);
    }
    FrmMsg::destroyInstance();
    questions.setWaitWindowVisible(false);
    questions.setWaitWindowVisible(true);
    EXPECT_FALSE(FrmMsg::exists());
}

// Services that ask can be tested without a person.
TEST_F(QtQuestionsTest, BoxesTakeAnAnswerGivenInAdvance)
{
    FrmMsgBox::setNextAnswer(2);
    FrmInputBox::setNextAnswer(QStringLiteral("typed"));
    FrmSelectBase::setNextAnswer(1);
    EXPECT_EQ(ChoiceBox("a", {"Oui", "Non"}, nullptr), 2);
    EXPECT_EQ(InputBox({}), "typed");
    EXPECT_EQ(ChooseBase(nullptr, {{"A", "B"}, 0, {}}), 1);
}

} // namespace
} // namespace qn3::windows
