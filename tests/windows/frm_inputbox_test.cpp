#include "windows/frm_inputbox.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

#include <memory>

namespace qn3::windows {
namespace {

using InputBoxTest = testing::ServicesTest;
using testing::press;

const auto shownBox = testing::shownWindow<FrmInputBox>;

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
        {"escape_then_enter", "", {"", "", ""}, "abc", [](FrmInputBox* box) {
             press(box->TexteSaisie, Qt::Key_Escape);
             if (box->isVisible())
                 press(box->TexteSaisie, Qt::Key_Return);
         }, "abc"}};
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
    testing::whenWaiting([] {
        FrmInputBox* box = shownBox();
        QLineEdit* field = box->TexteSaisie;
        EXPECT_EQ(box->windowTitle(), "Saisie  ");
        EXPECT_EQ(field->text(), "x");
        EXPECT_EQ(box->LabelInputBox[0]->textFormat(), Qt::PlainText); // a prompt is shown as written
        EXPECT_EQ(field->echoMode(), QLineEdit::Password);
        EXPECT_EQ(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), u'*');
        // Qt's own words speak French too: the field's context menu.
        const std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
        QStringList words;
        for (const QAction* action : menu->actions())
            words << action->text().remove(u'&').section(u'\t', 0, 0);
        for (const char* word : {"Annuler", "Rétablir", "Couper", "Copier", "Coller", "Supprimer", "Tout sélectionner"})
            EXPECT_TRUE(words.contains(QString::fromUtf8(word))) << word << ' ' << words.join(u'|').toStdString();
        testing::saveScreenshot(box, QStringLiteral("FrmInputBox"));
        field->setText(QStringLiteral("secret"));
        box->CmdValider->click();
    });
    EXPECT_EQ(InputBox(QStringLiteral("x"), {}, QStringLiteral("Mot de passe :"), QStringLiteral("*")), "secret");
}

// What the field paints under the default skin: the caller's character, once
// per typed character, on the skin's pale yellow. The same field showing the
// masked text as plain text paints the same picture.
TEST_F(InputBoxTest, PaintsThePasswordCharacterOnTheSkinnedField)
{
    const testing::Skinned skin(15);
    for (const QString& character : {QStringLiteral("#"), QStringLiteral("*")}) { // the picture kept shows "*"
        SCOPED_TRACE(character.toStdString());
        QImage masked, plain;
        testing::whenWaiting([&] {
            FrmInputBox* box = shownBox();
            box->TexteSaisie->setText(QStringLiteral("abc"));
            box->CmdValider->setFocus(); // no blinking cursor in either picture
            masked = box->TexteSaisie->grab().toImage();
            testing::saveScreenshot(box, QStringLiteral("FrmInputBox_password"));
            box->TexteSaisie->setEchoMode(QLineEdit::Normal);
            box->TexteSaisie->setText(character.repeated(3));
            plain = box->TexteSaisie->grab().toImage();
            box->CmdAbandonner->click();
        });
        InputBox({}, {}, QStringLiteral("Mot de passe :"), character);
        ASSERT_FALSE(masked.isNull());
        EXPECT_EQ(QColor(masked.pixel(masked.width() - 4, masked.height() / 2)), QColor(255, 239, 178));
        EXPECT_TRUE(masked == plain);
    }
}

} // namespace
} // namespace qn3::windows
