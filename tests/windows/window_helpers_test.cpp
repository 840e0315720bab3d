#include "services/ini_access.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"
#include "windows/look.h"
#include "windows/twips.h"
#include "windows/window_helpers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace qn3::windows {
namespace {

class WindowHelpersTest : public testing::ServicesTest {
protected:
    WindowHelpersTest()
    {
        services::RepSettings = QStringLiteral("C:\\Settings\\");
        window.setObjectName(QStringLiteral("Frm_Main"));
        window.resize(twipsToPixels(4500), twipsToPixels(3000));
    }
    void save(const QString& key, const QString& value) { services::EcritureIni(kFile, "FrmPos", key, value); }
    QString saved(const QString& key) { return services::LectureIni(kFile, QStringLiteral("FrmPos"), key, "-"); }

    const QString kFile = QStringLiteral("C:\\Settings\\QN3_Tools_Vandrel_Positions.Ini");
    QWidget window;
};

TEST_F(WindowHelpersTest, RestoresAndCorrectsSavedPositions)
{
    const int screenTwips = pixelsToTwips(QGuiApplication::primaryScreen()->geometry().height());
    const struct { const char *left, *top; int expectedLeft, expectedTop; } cases[] = {
        {nullptr, nullptr, 0, 0},           // never saved
        {"1500", "3000", 1500, 3000},
        {"-15000", "-2010", -15000, -2010}, // partly visible: kept
        {"-25000", "-5000", 0, 0},          // lost far left / above
        {"-48000", "-48000", 0, 0},         // saved while minimised
        {"450abc", "x", 450, 0},            // numbers as far as they go
        {"0", "999999", 0, (screenTwips / 2 / 15) * 15},
        {"1e300", "0", 251658225, 0}};      // beyond any window, never overflows
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left ? c.left : "unset");
        if (c.left != nullptr) {
            save("Frm_Main_Left", c.left);
            save("Frm_Main_Top", c.top);
        }
        QString suffix;
        PositionFeuille(&window, suffix);
        EXPECT_EQ(QPoint(pixelsToTwips(window.x()), pixelsToTwips(window.y())), QPoint(c.expectedLeft, c.expectedTop));
    }
}

TEST_F(WindowHelpersTest, SuffixNamesTheKeysAndComesBackWithItsUnderscore)
{
    window.move(100, 200);
    QString suffix = QStringLiteral("A");
    PositionFeuilleSauvegarde(&window, suffix);
    EXPECT_EQ(suffix, "_A");
    EXPECT_EQ(saved("Frm_Main_Left_A"), "1500");
    EXPECT_EQ(saved("Frm_Main_Top_A"), "3000");

    QString blanks = QStringLiteral("  ");
    PositionFeuilleSauvegarde(&window, blanks);
    EXPECT_EQ(blanks, "  ");
    EXPECT_EQ(saved("Frm_Main_Left"), "1500");

    window.move(0, 0);
    suffix = QStringLiteral("A");
    PositionFeuille(&window, suffix);
    EXPECT_EQ(window.pos(), QPoint(100, 200));
}

using Mark = std::pair<QString, bool>; // the Tag, and whether the window stays on top
Mark markOf(const QWidget& window) // as the platform sees a shown window
{
    const Qt::WindowFlags flags = window.windowHandle() ? window.windowHandle()->flags() : window.windowFlags();
    return {window.property("Tag").toString(), flags.testFlag(Qt::WindowStaysOnTopHint)};
}

TEST_F(WindowHelpersTest, TopmostMarksAndStepping)
{
    QWidget shown, hidden;
    shown.show();
    AfficherAuDessus(&shown, -1);
    AfficherAuDessus(&hidden, -1);
    AfficherAuDessus(&shown, 1); // neither True nor False
    EXPECT_EQ(markOf(shown), Mark("1", true));

    AfficherMessageBoxOuInputBox(-1);
    AfficherMessageBoxOuInputBox(-1);
    EXPECT_EQ(markOf(shown), Mark("-1", false));
    EXPECT_EQ(markOf(hidden), Mark("1", true));

    AfficherMessageBoxOuInputBox(0);
    EXPECT_EQ(markOf(shown), Mark("1", true));
    EXPECT_TRUE(shown.isVisible());

    AfficherAuDessus(&shown, 0);
    EXPECT_EQ(markOf(shown), Mark("0", false));
}

TEST_F(WindowHelpersTest, QuestionTrimsOnlySpacesAndGivesTheAnswer)
{
    user.messageBoxAnswer = services::msgbox::AnswerNo;
    EXPECT_EQ(Question(QStringLiteral("  Voulez-vous quitter le programme ?\n "), &window, 36, QStringLiteral(" Q ")),
              services::msgbox::AnswerNo);
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].text, "Voulez-vous quitter le programme ?\n");
    EXPECT_EQ(user.messageBoxes[0].style, 36);
    EXPECT_EQ(user.messageBoxes[0].title, "Q");
}

TEST_F(WindowHelpersTest, NoWindowIsReportedNotFollowed)
{
    QString suffix = QStringLiteral("A");
    PositionFeuille(nullptr, suffix);
    LookFenetre(nullptr, 1);
    // Each step of the procedure reports its own failure, then the next runs.
    const QStringList reports = traced().filter(QStringLiteral("Err:91 "));
    ASSERT_EQ(reports.size(), 4);
    EXPECT_TRUE(reports[2].endsWith("Source:Lib_Public:PositionFeuille:0"));
    EXPECT_TRUE(reports[3].endsWith("Source:Lib_Look:LookFenetre:0"));
    EXPECT_EQ(suffix, "_A");
}

} // namespace
} // namespace qn3::windows
