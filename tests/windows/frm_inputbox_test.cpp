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

using InputBoxTest = testing::ServicesTest;

FrmInputBox* shownBox()
{
    return testing::shownWindow<FrmInputBox>(QStringLiteral("FrmInputBox"));
}

void press(QWidget* target, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// OK (or Enter anywhere) gives the field; Annuler and the close box give "";
// Escape does nothing. The prompt's lines (up to CR LF) go one per label.
TEST_F(InputBoxTest, AnswersByTheWayTheBoxCloses)
{
    const struct { const char* name; QString prompt; QStringList labels; QString typed;
                   void (*act)(FrmInputBox*); QString result; } cases[] = {
        {"ok", "a\r\nb", {"a", "b", ""}, "abc", [](FrmInputBox* box) { box->CmdValider->click(); }, "abc"},
        {"ok_empty", "1\r\n2\r\n3\r\n4", {"1", "2", "3"}, "", [](FrmInputBox* box) { box->CmdValider->click(); }, ""},
        {"annuler", "\r\nx", {"", "x", ""}, "abc", [](FrmInputBox* box) { box->CmdAbandonner->click(); }, ""},
        {"close_box", "a\nb", {"a\nb", "", ""}, "abc", [](FrmInputBox* box) { box->close(); }, ""},
        {"enter_on_annuler", "", {"", "", ""}, "abc",
         [](FrmInputBox* box) { press(box->CmdAbandonner, Qt::Key_Return); }, "abc"},
        {"escape_then_enter", "", {"", "", ""}, "abc",
         [](FrmInputBox* box) {
             press(box->TexteSaisie, Qt::Key_Escape);
             if (box->isVisible())
                 press(box->TexteSaisie, Qt::Key_Return);
         },
         "abc"},
    };
    for (const auto& c : cases) {
        QStringList labels;
        testing::whenWaiting([&] {
            for (const QLabel* label : shownBox()->LabelInputBox)
                labels << label->text();
            shownBox()->TexteSaisie->setText(c.typed);
            c.act(shownBox());
        });
        EXPECT_EQ(InputBox(QStringLiteral("initial"), {}, c.prompt), c.result) << c.name;
        EXPECT_EQ(labels, c.labels) << c.name;
    }
}

TEST_F(InputBoxTest, ShowsCaptionInitialTextAndPasswordCharacter)
{
    QString caption, initial;
    int passwordCharacter = 0;
    testing::whenWaiting([&] {
        FrmInputBox* box = shownBox();
        caption = box->windowTitle();
        initial = box->TexteSaisie->text();
        passwordCharacter =
            box->TexteSaisie->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box->TexteSaisie);
        EXPECT_EQ(box->TexteSaisie->echoMode(), QLineEdit::Password);
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
