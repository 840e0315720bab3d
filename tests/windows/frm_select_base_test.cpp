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
    // select -1: the list is left alone; button: CommandFermer(0) or (1), -1 the close box; handled: the
    // entries the handler was given, in order.
    const struct { int16_t preselected; int select, button; int16_t answer; std::vector<int16_t> handled; } cases[] = {
        {1, -1, 0, 1, {1}}, {0, -1, 0, 0, {0}}, {0, 2, 0, 2, {0, 2}}, {1, 2, -1, -1, {1, 2}}, {1, -1, 1, -1, {1}}};
    for (const auto& c : cases) {
        std::vector<int16_t> selections;
        testing::whenWaiting([&] {
            auto* window = qobject_cast<FrmSelectBase*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->windowTitle(), "Choix de la base");
            if (c.select >= 0)
                window->ComboBase->setCurrentIndex(c.select);
            testing::saveScreenshot(window, QStringLiteral("FrmSelectBase"));
            c.button >= 0 ? window->CommandFermer[c.button]->click() : void(window->close());
        });
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(ChooseBase(nullptr, {{"Base 1", "Base 2", "Base 3"}, c.preselected,
                                       [&](int16_t i) { selections.push_back(i); }}), c.answer);
        EXPECT_EQ(selections, c.handled);
    }
}

} // namespace
} // namespace qn3::windows
