#include "windows/qt_user_interaction.h"

#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msg.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/window_helpers.h"

#include <QDialog>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextLayout>

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

// The lines a label paints: its text laid out at its width as it wraps it;
// each must fit.
QStringList laidOutLines(const QLabel* label)
{
    QStringList lines;
    QTextOption option;
    option.setWrapMode(label->wordWrap() ? QTextOption::WordWrap : QTextOption::NoWrap);
    for (const QString& paragraph : label->text().split(u'\n')) {
        QTextLayout layout(paragraph, label->font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->contentsRect().width());
            lines << paragraph.mid(line.textStart(), line.textLength());
            EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(lines.back().trimmed()),
                      label->contentsRect().width()) << lines.back().toStdString();
        }
        layout.endLayout();
    }
    return lines;
}

// The error report's lines break at blanks only, as a Windows message box
// breaks them (Qt would break a path after ':' or '\'); as a Windows message
// box, the box widens to its longest word before breaking it, so a path stays
// whole while the screen has room. A word wider than the screen is cut only
// where the line is full, nothing lost. The same holds at one and a half
// times the scale on a screen 1280 pixels wide (run again in a child).
TEST_F(QtQuestionsTest, ErrorReportBreaksItsLinesAtBlanksOnly)
{
    using namespace services::msgbox;
    const QString path = QStringLiteral("C:\\Sonvarek\\Quillon\\Donnees_Radios\\Archives_2026\\FRAD000.bt6");
    ASSERT_EQ(path.size(), 60);
    const QString report = QStringLiteral(
        "Fichier: Frada26 |QN3_Tools_Vandrel |07/12/2026 05:45:52\n"
        "Err:12: The MicroKernel cannot find the specified file |C:\\QN_Data\\FRADA26.bt6\n\n 0>S:12");
    const QString question = "Impossible de trouver la base de données pour la base: Radio Démo\n\nFichier '" + path
                             + "' non trouvé\n\nVoulez-vous rechercher manuellement la localisation de la base de "
                               "données Quillon ?";
    const QString longWord = QString(120, u'W') + QStringLiteral("\\FRAD000.bt6");
    // whole: a word that stays on one line (none: the word is wider than the screen);
    // joint: what stood where a line breaks.
    const struct { const char* name; QString text; int32_t style; QString whole, joint; } cases[] = {
        {"ErrorReport", report, AbortRetryIgnore | Critical, "|C:\\QN_Data\\FRADA26.bt6", " "},
        {"ErrorReportLongPath", "Err:12: The MicroKernel cannot find the specified file |" + path,
         AbortRetryIgnore | Critical, "|" + path, " "},
        {"DatabaseQuestion", question, YesNoCancel | services::msgbox::Question, "'" + path + "'", " "},
        {"WordWiderThanTheScreen", longWord, AbortRetryIgnore | Critical, {}, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList lines;
        testing::whenWaiting([&] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            testing::saveScreenshot(box, QStringLiteral("PlatformBox_") + c.name);
            lines = laidOutLines(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")));
            box->done(0);
        });
        QtUserInteraction().askMessageBox({c.text, c.style, QStringLiteral("Frm_Main:InitGeneral")});
        EXPECT_GT(lines.size(), 1);
        EXPECT_EQ(lines.join(c.joint).simplified().toStdString(), c.text.simplified().toStdString());
        if (!c.whole.isEmpty()) {
            EXPECT_TRUE(std::ranges::any_of(lines, [&](const QString& line) { return line.contains(c.whole); }))
                << lines.join(u'\n').toStdString();
        }
    }

    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        return;
    QTemporaryDir folder;
    QFile screens(folder.filePath(QStringLiteral("screens.json")));
    ASSERT_TRUE(screens.open(QIODevice::WriteOnly));
    screens.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1280, "height": 800,
                      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.close();
    for (const QString scale : {"1", "1.5"}) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), "offscreen:configfile=" + screens.fileName());
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=QtQuestionsTest.ErrorReportBreaksItsLinesAtBlanksOnly")});
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0) << "at the scale " << scale.toStdString() << ":\n"
                                       << child.readAll().toStdString();
    }
}

// The boxes have the frame of a Windows dialog: no minimise or maximise
// button, the close box only where it answers; minimised by the window
// manager all the same, a box comes back at once with the window it was shown
// over. Each is wide enough for its caption, also once Qt has laid it out
// again (as a change of style or font makes it). On the offscreen platform
// each writes what it shows to the terminal.
TEST_F(QtQuestionsTest, BoxesHaveADialogsFrameAndStayWithTheMainWindow)
{
    using namespace services::msgbox;
    QMainWindow main;
    main.show();
    QtUserInteraction questions(&main);
    const QString title = QStringLiteral("Quillon: Tools VANDREL - 26.1207.0738");
    // No window manager frames the offscreen platform's windows: a title bar's
    // letters are at least as large as the desktop's, and bold.
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    // closeBox: whether the frame offers to close the box; sized: the user may resize it;
    // shows: what the terminal is told besides the title.
    const struct { const char* name; std::function<void()> ask; bool closeBox; bool sized; QString shows; } cases[] = {
        {"yes_no", [&] { questions.askMessageBox({"Voulez-vous quitter le programme ?", YesNo | 32, title}); }, false,
         false, "  text:    Voulez-vous quitter le programme ?\n  buttons: [Oui] (default), [Non]\n"},
        {"abort_retry_ignore", [&] { questions.askMessageBox({"Err\r\n\r\n 0>S:12", AbortRetryIgnore | Critical, "a"}); },
         false, false,
         "  text:    Err\n\n            0>S:12\n  buttons: [Abandonner] (default), [Recommencer], [Ignorer]\n"},
        {"ok_cancel", [&] { questions.askMessageBox({"a", OkCancel, "a"}); }, true, false,
         "  buttons: [OK] (default), [Annuler]\n"},
        {"choice_yes_no", [&] { ChoiceBox("a\nb", {"Oui", "Non"}, &main, title, nullptr, nullptr, 0, 2); }, true,
         false, "  text:    a\n  text:    b\n  buttons: [Oui], [Non] (default)\n"},
        {"choice_yes", [&] { ChoiceBox("a", {"Oui"}, &main); }, false, false, "  buttons: [Oui] (default)\n"},
        {"input", [&] { InputBox("vandrel", {}, "Mot de passe ?"); }, true, false,
         "  text:    Mot de passe ?\n  field:   vandrel\n  buttons: [OK] (default), [Annuler]\n"},
        {"base", [&] { ChooseBase(&main, {{"A", "B"}, 1, {}}); }, true, false,
         "  text:    Base:\n  list:    A, B (chosen: B)\n  buttons: [Valider] (default), [Abandonner]\n"},
        {"folder", [&] { questions.selectFolder({0, "C:\\", {}}); }, true, true, "  buttons: [OK] (default), [Annuler]\n"},
        {"open_file", [&] { questions.askOpenFile({{}, "C:\\", "Logs|*.log", {}}); }, true, true,
         "  buttons: [Ouvrir] (default), [Annuler]\n"},
        {"open_file_long_title", [&] { questions.askOpenFile({QString(title).repeated(2), "C:\\", "Logs|*.log", {}}); },
         true, true, "  list:    Logs (chosen: Logs)\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.written.clear();
        QString shownTitle;
        testing::whenWaiting([&] {
            QDialog* box = testing::shownWindow<QDialog>();
            ASSERT_NE(box, nullptr);
            const Qt::WindowFlags flags = box->windowFlags();
            EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint)); // else the platform adds its own buttons
            EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), c.closeBox);
            // Openbox ignores the hints above and draws both buttons on every dialog, but
            // not on a toolbar; nothing maximises a box whose size is fixed once shown.
            EXPECT_TRUE(box->testAttribute(Qt::WA_X11NetWmWindowTypeToolBar));
            EXPECT_TRUE(c.sized || (box->size() == box->minimumSize() && box->size() == box->maximumSize()));
            EXPECT_TRUE(box->windowModality() != Qt::NonModal || flags.testFlag(Qt::WindowStaysOnTopHint));
            // The caption, the icon and three buttons at least as wide as the title's letters are high.
            for (const bool again : {false, true}) {
                QEvent relayout(QEvent::LayoutRequest);
                if (again)
                    QCoreApplication::sendEvent(box, &relayout);
                EXPECT_GE(box->frameGeometry().width(),
                          titleMetrics.horizontalAdvance(box->windowTitle()) + 4 * titleMetrics.height())
                    << (again ? "laid out again" : "shown");
            }
            shownTitle = box->windowTitle();

            box->setWindowState(Qt::WindowMinimized);
            main.setWindowState(Qt::WindowMinimized); // as a window manager takes the main window along
            QCoreApplication::processEvents();
            EXPECT_FALSE(box->isMinimized() || main.isMinimized() || !box->isVisible());
            box->done(0);
        });
        c.ask();
        main.setWindowState(Qt::WindowNoState);
        ASSERT_EQ(terminal.written.size(), 1);
        const QString& block = terminal.written.front();
        EXPECT_TRUE(block.startsWith(QCoreApplication::applicationName()
                                     + " opened a window on Qt's offscreen platform, where nobody can see it:\n"
                                       "  title:   "
                                     + shownTitle + "\n"))
            << block.toStdString();
        EXPECT_TRUE(block.contains(c.shows)) << block.toStdString();
        EXPECT_TRUE(block.endsWith("  To answer it, run the program with a display (see the README).\n"));
    }
}

} // namespace
} // namespace qn3::windows
