#include "windows/frm_msgbox.h"

#include "services/shared_values.h"
#include "support/services_fixture.h"
#include "windows/box_support.h"
#include "windows/box_test_support.h"

#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <vector>

namespace qn3::windows {
namespace {

using MsgBoxTest = testing::ServicesTest;

const auto shownBox = testing::shownWindow<FrmMsgBox>;

// Opens a box without waiting and returns it.
FrmMsgBox* open(const QString& message, const QStringList& buttons, int32_t icon = 0, float* x = nullptr)
{
    EXPECT_EQ(ChoiceBox(message, buttons, nullptr, {}, x, nullptr, 0, 1, 0, icon, true), 0);
    return shownBox();
}

// The lines are shown as written, markup included. A box shown without
// waiting stays open, and the next call gets a box of its own.
TEST_F(MsgBoxTest, SplitsTheMessageIntoAtMostTenLines)
{
    const QString eleven = QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11");
    const struct { QString message; QStringList lines; } cases[] = {
        {"a", {"a"}}, {"a\nb", {"a", "b"}}, {"a\n", {"a", ""}}, {"a\n\nb", {"a", "", "b"}}, {"", {""}},
        {"a\r\nb", {"a\r", "b"}}, {eleven, eleven.split(u'\n').mid(0, 10)}, {"<b>a</b>", {"<b>a</b>"}}};
    QSet<FrmMsgBox*> boxes;
    for (const auto& c : cases) {
        FrmMsgBox* box = open(c.message, {"Ok"});
        QStringList shown;
        for (const QLabel* label : box->LabelMsg)
            if (!label->isHidden())
                shown << label->text();
        EXPECT_EQ(shown, c.lines) << c.message.toStdString();
        EXPECT_EQ(box->LabelMsg[0]->textFormat(), Qt::PlainText);
        box->hide();
        boxes.insert(box);
    }
    EXPECT_EQ(boxes.size(), static_cast<qsizetype>(std::size(cases)));
    qDeleteAll(boxes);
}

TEST_F(MsgBoxTest, LaysOutLinesIconAndButtonsInTwips)
{
    // iconTop -1: no icon shown.
    const struct { const char* name; QString message; QStringList buttons; int32_t icon, theme, lineLeft;
                   std::vector<int> lineTops; int iconTop, buttonsTop, buttonWidth, windowWidth;
                   std::vector<int> buttonLefts; } cases[] = {
        {"one_line", "Bonjour", {"Oui", "Non"}, 0, 0, 120, {300}, -1, 1200, 1100, 4500, {1820, 3040}},
        {"one_line_icon", "Bonjour", {"Ok"}, 64, 1, 840, {425}, 240, 1200, 1100, 4500, {3040}},
        {"three_lines_icon", "a\nb\nc", {"Oui", "Non", "Ok"}, 16, 0, 840, {425, 665, 905}, 665, 1625, 1100, 4700,
         {800, 2020, 3240}},
        {"wide_buttons", "a", {QString(60, u'W'), "Non"}, 0, 0, 120, {300}, -1, 1200, 3000, 7400, {920, 4040}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services::ThemeActif = c.theme;
        float x = -1;
        FrmMsgBox* box = open(c.message, c.buttons, c.icon, &x);
        for (size_t i = 0; i < c.lineTops.size(); ++i)
            EXPECT_EQ(QPoint(twips(box->LabelMsg[i], "Left"), twips(box->LabelMsg[i], "Top")),
                      QPoint(c.lineLeft, c.lineTops[i]));
        EXPECT_EQ(box->ImageIcone->isHidden() ? -1 : twips(box->ImageIcone, "Top"), c.iconTop);
        EXPECT_EQ(QSize(twips(box, "Width"), twips(box, "Height")),
                  QSize(c.windowWidth, c.buttonsTop + 345 + (c.theme ? 680 : 580)));
        ASSERT_EQ(box->BtnMsgBox.size(), static_cast<qsizetype>(c.buttonLefts.size()));
        for (size_t k = 0; k < c.buttonLefts.size(); ++k)
            EXPECT_EQ(QRect(twips(box->BtnMsgBox[k], "Left"), twips(box->BtnMsgBox[k], "Top"),
                            twips(box->BtnMsgBox[k], "Width"), 345),
                      QRect(c.buttonLefts[k], c.buttonsTop, c.buttonWidth, 345));
        // Centred with the width it had before widening: it grows to the right.
        EXPECT_EQ(x, (screenTwips(box).width - 4500) / 2.0F);
        testing::saveScreenshot(box, QStringLiteral("FrmMsgBox_") + c.name);
        delete box;
    }
}

// The close box answers with the first "Annuler", "Abandonner", "Non" or "Ok"
// (exact captions); without one the box refuses to close. Escape chooses
// nothing; Enter presses the default button.
TEST_F(MsgBoxTest, CloseBoxAndKeysPickTheAnswer)
{
    // defaultButton 0: the close box is used, else Escape then Enter; answer 0: the close is refused.
    const struct { QStringList buttons; int32_t defaultButton, answer; } cases[] = {
        {{"Oui", "Non", "Annuler"}, 0, 3}, {{"Oui", "Non"}, 0, 2}, {{"Ok"}, 0, 1}, {{"Abandonner", "Non"}, 0, 1},
        {{"Oui"}, 0, 0}, {{"OK"}, 0, 0}, {{"Oui", "Non", "Annuler"}, 2, 2},
        {{}, 0, 1}}; // no caption: one "Ok"
    for (const auto& c : cases) {
        bool refused = false;
        testing::whenWaiting([&] {
            for (const int key : {Qt::Key_Escape, Qt::Key_Return})
                if (c.defaultButton != 0)
                    testing::press(shownBox(), key);
            if (shownBox() != nullptr)
                shownBox()->close();
            if ((refused = shownBox() != nullptr))
                shownBox()->BtnMsgBox[0]->click();
        });
        const int32_t answer = ChoiceBox("Fermer ?", c.buttons, nullptr, {}, nullptr, nullptr, 0, c.defaultButton);
        EXPECT_EQ(refused ? 0 : answer, c.answer) << c.buttons.join(u',').toStdString();
    }
}

// The time limit answers the default button, or nothing when the default
// names no button; meanwhile a second call is refused without a trace; both
// lines carry the box's Id.
TEST_F(MsgBoxTest, TimeLimitAnswersTheDefaultButtonAndLogsOpenAndClose)
{
    CompteurMsgBox = 6;
    int32_t nested = -1;
    const auto timeRunsOut = [&] {
        nested = ChoiceBox("encore", {"Ok"}, nullptr);
        clock.tick += 5000;
        shownBox()->Timer1->setInterval(0); // the next check comes at once
    };
    testing::whenWaiting(timeRunsOut);
    EXPECT_EQ(ChoiceBox("Attente", {"Oui", "Non", "Annuler"}, nullptr, "Titre", nullptr, nullptr, 0, 2, 5000), 2);
    EXPECT_EQ(nested, 0);
    const QString opening = "MsgBox: Attente |Id:7", rule(opening.size(), u'*');
    EXPECT_EQ(traced().mid(0, 4).join(u'|'), QStringList({rule, opening, rule, "MsgBox: Id:7 closed"}).join(u'|'));
    testing::whenWaiting(timeRunsOut);
    EXPECT_EQ(ChoiceBox("Attente", {"Ok"}, nullptr, {}, nullptr, nullptr, 0, 3, 5000), 0);
    EXPECT_EQ(shownBox(), nullptr);
}

TEST_F(MsgBoxTest, BoxClosedWithoutAnAnswerEndsTheWait)
{
    QWidget owner;
    testing::whenWaiting([&] { delete shownBox(); });
    EXPECT_EQ(ChoiceBox("a", {"Oui"}, &owner), 0);
}

} // namespace
} // namespace qn3::windows
