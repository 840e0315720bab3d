#include "windows/frm_msgbox.h"

#include "services/shared_values.h"
#include "support/services_fixture.h"
#include "windows/box_support.h"
#include "windows/box_test_support.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <vector>

namespace qn3::windows {
namespace {

using testing::shownWindow;
using testing::whenWaiting;

class MsgBoxTest : public testing::ServicesTest {
protected:
    ~MsgBoxTest() override
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<FrmMsgBox*>(window) != nullptr)
                delete window;
        testing::dropClosedWindows();
    }
    // Opens a box without waiting and returns it.
    FrmMsgBox* open(const QString& message, const QStringList& buttons, int32_t icon = 0, float* x = nullptr)
    {
        EXPECT_EQ(ChoiceBox(message, buttons, nullptr, {}, x, nullptr, 0, 1, 0, icon, true), 0);
        return shownWindow<FrmMsgBox>(QStringLiteral("FrmMsgBox"));
    }
    static QStringList shownLines(const FrmMsgBox* box)
    {
        QStringList lines;
        for (const QLabel* label : box->LabelMsg)
            if (!label->isHidden())
                lines << label->text();
        return lines;
    }
};

TEST_F(MsgBoxTest, SplitsTheMessageIntoAtMostTenLines)
{
    QStringList eleven;
    for (int i = 1; i <= 11; ++i)
        eleven << QString::number(i);
    const struct {
        QString message;
        QStringList lines;
    } cases[] = {
        {"a", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\n", {"a", ""}},
        {"a\n\nb", {"a", "", "b"}},
        {"", {""}},
        {"a\r\nb", {"a\r", "b"}},
        {eleven.join(u'\n'), eleven.mid(0, 10)},
    };
    for (const auto& c : cases) {
        FrmMsgBox* box = open(c.message, {"Ok"});
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(shownLines(box), c.lines) << c.message.toStdString();
        delete box;
    }
}

TEST_F(MsgBoxTest, LaysOutLinesIconAndButtonsInTwips)
{
    const QString wide(60, u'W');
    const struct {
        const char* name;
        QString message;
        QStringList buttons;
        int32_t icon;
        int32_t theme;
        int lineLeft;
        std::vector<int> lineTops;
        int iconTop; // -1: no icon shown
        int buttonsTop;
        int buttonWidth;
        int windowWidth;
        std::vector<int> buttonLefts;
    } cases[] = {
        {"one_line", "Bonjour", {"Oui", "Non"}, 0, 0, 120, {300}, -1, 1200, 1100, 4500, {1820, 3040}},
        {"one_line_icon", "Bonjour", {"Ok"}, 64, 1, 840, {425}, 240, 1200, 1100, 4500, {3040}},
        {"three_lines_icon", "a\nb\nc", {"Oui", "Non", "Ok"}, 16, 0, 840, {425, 665, 905}, 665, 1625, 1100,
         4700, {800, 2020, 3240}},
        {"unknown_icon", "a", {"Ok"}, 5, 0, 120, {300}, 240, 1200, 1100, 4500, {3040}},
        {"wide_buttons", "a", {wide, "Non"}, 0, 0, 120, {300}, -1, 1200, 3000, 7400, {920, 4040}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services::ThemeActif = c.theme;
        float x = -1;
        FrmMsgBox* box = open(c.message, c.buttons, c.icon, &x);
        ASSERT_NE(box, nullptr);
        for (size_t i = 0; i < c.lineTops.size(); ++i) {
            EXPECT_EQ(twips(box->LabelMsg[i], "Left"), c.lineLeft);
            EXPECT_EQ(twips(box->LabelMsg[i], "Top"), c.lineTops[i]);
        }
        EXPECT_EQ(box->ImageIcone->isHidden(), c.iconTop < 0);
        if (c.iconTop >= 0) {
            EXPECT_EQ(twips(box->ImageIcone, "Top"), c.iconTop);
        }
        EXPECT_EQ(twips(box, "Height"), c.buttonsTop + 345 + (c.theme ? 680 : 580));
        EXPECT_EQ(twips(box, "Width"), c.windowWidth);
        ASSERT_EQ(box->BtnMsgBox.size(), static_cast<qsizetype>(c.buttonLefts.size()));
        for (size_t k = 0; k < c.buttonLefts.size(); ++k) {
            EXPECT_EQ(twips(box->BtnMsgBox[k], "Top"), c.buttonsTop);
            EXPECT_EQ(twips(box->BtnMsgBox[k], "Width"), c.buttonWidth);
            EXPECT_EQ(twips(box->BtnMsgBox[k], "Left"), c.buttonLefts[k]);
        }
        // Centred with the width it had before widening: it grows to the right.
        EXPECT_EQ(x, (screenTwips(box).width - 4500) / 2.0F);
        EXPECT_EQ(twips(box, "Left"), static_cast<int>(x));
        testing::saveScreenshot(box, QStringLiteral("FrmMsgBox_") + c.name);
        delete box;
    }
}

// The close box answers with the first "Annuler", "Abandonner", "Non" or "Ok"
// (exact captions); without one the box refuses to close.
TEST_F(MsgBoxTest, CloseBoxPicksTheAnswerByCaption)
{
    const struct {
        QStringList buttons;
        int32_t answer; // 0: the close is refused
    } cases[] = {
        {{"Oui", "Non", "Annuler"}, 3}, {{"Oui", "Non"}, 2}, {{"Ok"}, 1},
        {{"Abandonner", "Non"}, 1},     {{"Oui"}, 0},        {{"OK"}, 0},
    };
    for (const auto& c : cases) {
        bool refused = false;
        whenWaiting([&] {
            auto* box = shownWindow<FrmMsgBox>(QStringLiteral("FrmMsgBox"));
            box->close();
            refused = box->isVisible();
            if (refused)
                box->BtnMsgBox[0]->click();
        });
        const int32_t answer = ChoiceBox("Fermer ?", c.buttons, nullptr);
        EXPECT_EQ(refused ? 0 : answer, c.answer) << c.buttons.join(u',').toStdString();
    }
}

TEST_F(MsgBoxTest, EnterPressesTheDefaultButtonAndEscapeNothing)
{
    whenWaiting([] {
        auto* box = shownWindow<FrmMsgBox>(QStringLiteral("FrmMsgBox"));
        for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        }
    });
    EXPECT_EQ(ChoiceBox("a", {"Oui", "Non", "Annuler"}, nullptr, {}, nullptr, nullptr, 0, 2), 2);
}

// The time limit answers the default button; meanwhile a second call is
// refused without a trace; both lines carry the box's Id.
TEST_F(MsgBoxTest, TimeLimitAnswersTheDefaultButtonAndLogsOpenAndClose)
{
    CompteurMsgBox = 6;
    int32_t nested = -1;
    whenWaiting([&] {
        nested = ChoiceBox("encore", {"Ok"}, nullptr);
        clock.tick += 5000;
    });
    EXPECT_EQ(ChoiceBox("Attente", {"Oui", "Non", "Annuler"}, nullptr, "Titre", nullptr, nullptr, 0, 2, 5000), 2);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(CompteurMsgBox, 7);
    const QString opening = "MsgBox: Attente |Id:7";
    // (Saving the box's position may trace after it.)
    EXPECT_EQ(traced().mid(0, 4).join(u'|').toStdString(),
              QStringList({QString(opening.size(), u'*'), opening, QString(opening.size(), u'*'), "MsgBox: Id:7 closed"})
                  .join(u'|')
                  .toStdString());
}

TEST_F(MsgBoxTest, BoxClosedWithoutAnAnswerEndsTheWait)
{
    QWidget owner;
    whenWaiting([&] { delete shownWindow<FrmMsgBox>(QStringLiteral("FrmMsgBox")); });
    EXPECT_EQ(ChoiceBox("a", {"Oui"}, &owner), 0);
}

} // namespace
} // namespace qn3::windows
