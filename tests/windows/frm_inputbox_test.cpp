#include "windows/frm_inputbox.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace qn3::windows {
namespace {

using testing::shownWindow;
using testing::whenWaiting;

using InputBoxTest = testing::ServicesTest;

FrmInputBox* shownBox()
{
    return shownWindow<FrmInputBox>(QStringLiteral("FrmInputBox"));
}

void press(QWidget* target, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST_F(InputBoxTest, SpreadsThePromptOverThreeLabels)
{
    const struct {
        QString prompt;
        QStringList labels;
    } cases[] = {
        {"a\r\nb", {"a", "b", ""}},
        {"1\r\n2\r\n3\r\n4", {"1", "2", "3"}},
        {"\r\nx", {"", "x", ""}},
        {"a\nb", {"a\nb", "", ""}},
    };
    for (const auto& c : cases) {
        QStringList shown;
        whenWaiting([&] {
            FrmInputBox* box = shownBox();
            for (const QLabel* label : box->LabelInputBox)
                shown << label->text();
            box->CmdAbandonner->click();
        });
        InputBox({}, {}, c.prompt);
        EXPECT_EQ(shown, c.labels) << c.prompt.toStdString();
    }
}

// OK (or Enter anywhere) gives the field; Annuler and the close box give "";
// Escape does nothing.
TEST_F(InputBoxTest, AnswersByTheWayTheBoxCloses)
{
    const struct {
        const char* name;
        QString typed;
        void (*act)(FrmInputBox*);
        QString result;
    } cases[] = {
        {"ok", "abc", [](FrmInputBox* box) { box->CmdValider->click(); }, "abc"},
        {"ok_empty", "", [](FrmInputBox* box) { box->CmdValider->click(); }, ""},
        {"annuler", "abc", [](FrmInputBox* box) { box->CmdAbandonner->click(); }, ""},
        {"close_box", "abc", [](FrmInputBox* box) { box->close(); }, ""},
        {"enter_on_annuler", "abc",
         [](FrmInputBox* box) {
             box->CmdAbandonner->setFocus();
             press(box->CmdAbandonner, Qt::Key_Return);
         },
         "abc"},
        {"escape_then_enter", "abc",
         [](FrmInputBox* box) {
             press(box->TexteSaisie, Qt::Key_Escape);
             if (box->isVisible())
                 press(box->TexteSaisie, Qt::Key_Return);
         },
         "abc"},
    };
    for (const auto& c : cases) {
        whenWaiting([&] {
            FrmInputBox* box = shownBox();
            box->TexteSaisie->setText(c.typed);
            c.act(box);
        });
        EXPECT_EQ(InputBox(QStringLiteral("initial")), c.result) << c.name;
    }
}

TEST_F(InputBoxTest, ShowsCaptionInitialTextAndPasswordCharacter)
{
    QString caption;
    QString initial;
    int passwordCharacter = 0;
    whenWaiting([&] {
        FrmInputBox* box = shownBox();
        caption = box->windowTitle();
        initial = box->TexteSaisie->text();
        EXPECT_EQ(box->TexteSaisie->echoMode(), QLineEdit::Password);
        passwordCharacter =
            box->TexteSaisie->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box->TexteSaisie);
        testing::saveScreenshot(box, QStringLiteral("FrmInputBox"));
        box->TexteSaisie->setText(QStringLiteral("secret"));
        box->CmdValider->click();
    });
    EXPECT_EQ(InputBox(QStringLiteral("x"), {}, QStringLiteral("Mot de passe :"), QStringLiteral("*")), "secret");
    EXPECT_EQ(caption, "Saisie  ");
    EXPECT_EQ(initial, "x");
    EXPECT_EQ(passwordCharacter, u'*');
}

} // namespace
} // namespace qn3::windows
