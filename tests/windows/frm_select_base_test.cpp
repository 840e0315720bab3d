#include "windows/frm_select_base.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"

#include <QComboBox>
#include <QPushButton>

#include <vector>

namespace qn3::windows {
namespace {

using BaseSelectionTest = testing::ServicesTest;

// Each selection runs the handler (the preselection included, even entry 0);
// "Valider" takes the selected base, "Abandonner" and the close box give -1.
TEST_F(BaseSelectionTest, AnswersTheBaseOrMinusOne)
{
    const struct {
        const char* name;
        int16_t preselected;
        int select; // -1: leave the list alone
        void (*close)(FrmSelectBase*);
        int16_t answer;
        std::vector<int16_t> selections;
    } cases[] = {
        {"valider", 1, -1, [](FrmSelectBase* w) { w->CommandFermer[0]->click(); }, 1, {1}},
        {"first_base", 0, -1, [](FrmSelectBase* w) { w->CommandFermer[0]->click(); }, 0, {0}},
        {"other_then_valider", 0, 2, [](FrmSelectBase* w) { w->CommandFermer[0]->click(); }, 2, {0, 2}},
        {"close_box", 1, 2, [](FrmSelectBase* w) { w->close(); }, -1, {1, 2}},
        {"abandonner", 1, -1, [](FrmSelectBase* w) { w->CommandFermer[1]->click(); }, -1, {1}},
    };
    for (const auto& c : cases) {
        std::vector<int16_t> selections;
        testing::whenWaiting([&] {
            auto* window = qobject_cast<FrmSelectBase*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->windowTitle(), "Choix de la base");
            if (c.select >= 0)
                window->ComboBase->setCurrentIndex(c.select);
            testing::saveScreenshot(window, QStringLiteral("FrmSelectBase"));
            c.close(window);
        });
        const int16_t answer =
            ChooseBase(nullptr, {{"Base 1", "Base 2", "Base 3"}, c.preselected, [&](int16_t i) { selections.push_back(i); }});
        EXPECT_EQ(answer, c.answer) << c.name;
        EXPECT_EQ(selections, c.selections) << c.name;
    }
}

TEST_F(BaseSelectionTest, NextAnswerIsTakenOnce)
{
    std::vector<int16_t> selections;
    FrmSelectBase::setNextAnswer(2);
    EXPECT_EQ(ChooseBase(nullptr, {{"A", "B", "C"}, 0, [&](int16_t i) { selections.push_back(i); }}), 2);
    EXPECT_EQ(selections, (std::vector<int16_t>{0, 2}));
    FrmSelectBase::setNextAnswer(-1);
    EXPECT_EQ(ChooseBase(nullptr, {{"A", "B"}, 1, {}}), -1);
}

} // namespace
} // namespace qn3::windows
