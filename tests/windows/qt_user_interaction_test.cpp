#include "windows/qt_user_interaction.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msg.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/window_helpers.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

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

// The platform's boxes as a French Windows shows them: its captions, left to
// right in its order, the first button the default unless the style names
// another; Escape and the close box answer only where Windows lets them
// (Annuler, or OK alone), otherwise the box stays open.
TEST_F(QtQuestionsTest, PlatformBoxesAreFrenchInWindowsOrder)
{
    using namespace services::msgbox;
    const QString abort = QStringLiteral("Abandonner Recommencer Ignorer");
    // closed: the answer of the close box, 0 when the box stays open.
    const struct { int32_t style; QString captions, byDefault; int32_t enter, closed; } cases[] = {
        {OkOnly | Information, "OK", "OK", AnswerOk, AnswerOk},
        {OkCancel, "OK Annuler", "OK", AnswerOk, AnswerCancel},
        {AbortRetryIgnore | Critical, abort, "Abandonner", AnswerAbort, 0},
        {AbortRetryIgnore | DefaultButton3, abort, "Ignorer", AnswerIgnore, 0},
        {YesNoCancel | DefaultButton2, "Oui Non Annuler", "Non", AnswerNo, AnswerCancel},
        {YesNo | services::msgbox::Question, "Oui Non", "Oui", AnswerYes, 0},
        {YesNo | DefaultButton3, "Oui Non", "Oui", AnswerYes, 0},
        {RetryCancel | DefaultButton2, "Recommencer Annuler", "Annuler", AnswerCancel, AnswerCancel}};
    QtUserInteraction questions;
    for (const auto& c : cases)
        for (const bool closing : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.style << (closing ? " closed" : " Enter"));
            QStringList shown;
            QString byDefault;
            bool stayedOpen = false;
            testing::whenWaiting([&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
                std::ranges::sort(buttons, {}, [](const QWidget* b) { return b->mapToGlobal(QPoint()).x(); });
                for (const QPushButton* button : buttons) {
                    shown << button->text();
                    if (button->isDefault())
                        byDefault = button->text();
                }
                if (c.style == (AbortRetryIgnore | Critical))
                    testing::saveScreenshot(box, QStringLiteral("PlatformBox_AbortRetryIgnore"));
                if (closing)
                    stayedOpen = !box->close() || box->isVisible();
                if (!closing || stayedOpen)
                    testing::press(box, Qt::Key_Return);
            });
            const int32_t answer = questions.askMessageBox({QStringLiteral("Texte"), c.style, QStringLiteral("Titre")});
            EXPECT_EQ(shown.join(u' ').toStdString(), c.captions.toStdString());
            EXPECT_EQ(byDefault.toStdString(), c.byDefault.toStdString());
            EXPECT_EQ(closing && stayedOpen ? 0 : answer, closing ? c.closed : c.enter);
        }
}

} // namespace
} // namespace qn3::windows
