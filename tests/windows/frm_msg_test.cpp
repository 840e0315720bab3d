#include "box_test_support.h"
#include "support/services_fixture.h"
#include "windows/folder_select.h"
#include "windows/frm_msg.h"
#include "windows/frm_msgbox.h"
#include "windows/twips.h"

#include <QDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>

#include <functional>

namespace qn3::windows {
namespace {

class FrmMsgTest : public testing::ServicesTest {
protected:
    ~FrmMsgTest() override { FrmMsg::destroyInstance(); }
};

TEST_F(FrmMsgTest, TopmostBorderlessAtTheTopCentreWithRoundedCornersAcrossHiding)
{
    FrmMsg& wait = FrmMsg::instance();
    wait.LabelMsgInit->setText(QStringLiteral("Tools Vandrel: Init: General"));
    wait.show();
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    EXPECT_EQ(wait.size(), QSize(360, 75));
    EXPECT_EQ(wait.pos(), QPoint(twipsToPixels(pixelsToTwips(screenWidth) / 2 - 2700), 0));
    EXPECT_EQ(wait.windowType(), Qt::SplashScreen);
    EXPECT_TRUE(wait.windowFlags().testFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint));

    // The corners outside the 24-pixel ellipses are cut away.
    for (const QPoint corner : {QPoint(1, 1), QPoint(358, 1), QPoint(1, 73), QPoint(358, 73)})
        EXPECT_FALSE(wait.mask().contains(corner)) << corner.x() << "," << corner.y();
    for (const QPoint inside : {QPoint(12, 0), QPoint(0, 37), QPoint(180, 74), QPoint(347, 62)})
        EXPECT_TRUE(wait.mask().contains(inside)) << inside.x() << "," << inside.y();

    // The black shadow lies 45 twips right of and below the white words.
    EXPECT_EQ(wait.LabelPatientez[1]->pos() - wait.LabelPatientez[0]->pos(), QPoint(3, 3));
    EXPECT_EQ(wait.LabelMsgInit->x(), 152);

    const QImage picture = wait.grab().toImage();
    EXPECT_GT(qGray(picture.pixel(20, 2)), 180);
    EXPECT_LT(qGray(picture.pixel(20, 72)), 40);
    testing::saveScreenshot(&wait, QStringLiteral("FrmMsg"));

    // Hidden while the base is chosen, then shown again as it was.
    const QPoint place = wait.pos();
    const QRegion shape = wait.mask();
    wait.hide();
    FrmMsg::instance().show();
    EXPECT_EQ(&FrmMsg::instance(), &wait);
    EXPECT_EQ(wait.pos(), place);
    EXPECT_EQ(wait.mask(), shape);
    EXPECT_TRUE(wait.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// While a dialog of the start-up is shown (the site's folder dialog, a
// message box, any other), the wait window is no longer kept on top; it is
// again once the dialog has gone.
TEST_F(FrmMsgTest, StepsBelowTheStartUpsDialogsWhileTheyAreShown)
{
    FrmMsg& wait = FrmMsg::instance();
    wait.show();
    const std::function<void()> asks[] = {[] { FolderSelect(nullptr, QStringLiteral("C:\\QN_Data\\"), {}); },
        [] { ChoiceBox(QStringLiteral("a"), {QStringLiteral("Ok")}, nullptr); }, [] { QDialog().exec(); }};
    for (const auto& ask : asks) {
        bool onTopDuring = true;
        testing::whenWaiting([&] {
            onTopDuring = wait.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            testing::shownWindow<QDialog>()->done(0);
        });
        ask();
        EXPECT_FALSE(onTopDuring);
        EXPECT_TRUE(wait.windowFlags().testFlag(Qt::WindowStaysOnTopHint) && wait.isVisible());
    }
}

} // namespace
} // namespace qn3::windows
