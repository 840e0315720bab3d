// Takes the pictures of the shared windows for docs/screenshots/ as a user
// sees them: on a real X server with its window manager (scripts/
// screenshots.sh starts one), the program's icon and default skin installed,
// each window shown by the call the program makes and captured from the
// screen with its frame; the dialogs also with an entry clicked, and the
// open-file dialog with its "Regarder dans :" list open. The folder to write
// to is the one argument.

#include "database/call_block.h"
#include "database/error_report.h"
#include "engine/frm_main.h"
#include "engine/program_icon.h"
#include "platform/installable.h"
#include "platform/plain_files.h"
#include "platform/windows_path.h"
#include "services/folders.h"
#include "services/shared_values.h"
#include "services/user_interaction.h"
#include "services/window_members.h"
#include "windows/folder_select.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msg.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/look.h"
#include "windows/qt_french.h"
#include "windows/qt_user_interaction.h"
#include "windows/skin_styles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <functional>

namespace {

using namespace qn3;

// Time for the window manager to frame a window and for it to paint.
constexpr int kSettleMs = 700;

QString outputFolder;
int failures = 0;

// The real windows, except that the operator's Abort of the error report
// does not end the tool.
class ToolQuestions final : public services::UserInteraction {
public:
    std::optional<QString> askOpenFile(const services::OpenFileRequest& r) override { return real.askOpenFile(r); }
    int32_t askMessageBox(const services::MessageBoxRequest& r) override { return real.askMessageBox(r); }
    QString selectFolder(const services::FolderRequest& r) override { return real.selectFolder(r); }
    int16_t chooseBase(const services::BaseChoiceRequest& r) override { return real.chooseBase(r); }
    void setWaitWindowVisible(bool visible) override { real.setWaitWindowVisible(visible); }
    void endProgram() override {}

    windows::QtUserInteraction real;
};

// The screen where `window` is, with its frame, and `extra` (an open list).
void capture(QWidget* window, const QString& name, const QRect& extra = {})
{
    if (window == nullptr) {
        QTextStream(stderr) << "qn3_screenshots: no window for " << name << '\n';
        ++failures;
        return;
    }
    const QRect area = window->frameGeometry().united(extra.isNull() ? window->frameGeometry() : extra);
    const QPixmap shot = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!shot.save(outputFolder + u'/' + name + QStringLiteral(".png"))) {
        QTextStream(stderr) << "qn3_screenshots: cannot write " << name << '\n';
        ++failures;
    }
}

// Runs `user` once the window that `show` opens has settled; `show` waits
// inside the window as the program does.
void whileShown(const std::function<void()>& show, std::function<void()> user)
{
    QTimer::singleShot(kSettleMs, qApp, std::move(user));
    show();
}

template <class Window>
Window* shown()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Window*>(window); found != nullptr && found->isVisible())
            return found;
    return nullptr;
}

void waitWindow()
{
    windows::FrmMsg& wait = windows::FrmMsg::instance();
    wait.LabelMsgInit->setText(QStringLiteral("Tools Vandrel: Setup: Init: Folders"));
    wait.show();
    QTimer::singleShot(kSettleMs, qApp, [] {
        capture(&windows::FrmMsg::instance(), QStringLiteral("FrmMsg"));
        windows::FrmMsg::destroyInstance();
    });
    QEventLoop loop;
    QObject::connect(&windows::FrmMsg::instance(), &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

void baseSelection()
{
    services::BaseChoiceRequest request;
    request.names = {QStringLiteral("Radio Vandrel"), QStringLiteral("Radio Vandrel Sud"),
                     QStringLiteral("Radio Vandrel Nord")};
    whileShown([&] { windows::ChooseBase(&engine::FrmMain::instance(), request); }, [] {
        auto* window = shown<windows::FrmSelectBase>();
        if (window == nullptr)
            return capture(nullptr, QStringLiteral("FrmSelectBase"));
        QComboBox* list = window->ComboBase;
        list->showPopup();
        list->view()->setCurrentIndex(list->model()->index(1, 0));
        QTimer::singleShot(kSettleMs, qApp, [window, list] {
            capture(window, QStringLiteral("FrmSelectBase"), list->view()->window()->frameGeometry());
            list->hidePopup();
            static_cast<QDialog*>(window)->reject();
        });
    });
}

void errorReport()
{
    database::NomSectionBtr[0][0] = QStringLiteral("Frad000");
    database::StatutBtr = 12;
    database::OpBtr = 0;
    whileShown(
        [] {
            database::ErreurBTrieve(0, 0, QStringLiteral("C:\\QN_Data\\FRAD000.bt6 "),
                                    QStringLiteral("Frm_Main:InitGeneral"), false, false);
        },
        [] {
            QWidget* box = QApplication::activeModalWidget();
            capture(box, QStringLiteral("ErreurBTrieve"));
            if (auto* dialog = qobject_cast<QDialog*>(box))
                dialog->done(0);
        });
    database::StatutBtr = 0;
}

void messageBox()
{
    whileShown(
        [] {
            windows::ChoiceBox(QStringLiteral("Le dossier des logs publicité n'est pas accessible.\n"
                                              "Voulez-vous réessayer ?"),
                               {QStringLiteral("Oui"), QStringLiteral("Non")}, &engine::FrmMain::instance(),
                               QStringLiteral("Quillon: Tools VANDREL"), nullptr, nullptr, 0, 1, 0, 48);
        },
        [] {
            auto* box = shown<windows::FrmMsgBox>();
            capture(box, QStringLiteral("FrmMsgBox"));
            if (box != nullptr && !box->BtnMsgBox.isEmpty())
                box->BtnMsgBox.constLast()->click();
        });
}

void inputBox()
{
    whileShown(
        [] {
            windows::InputBox(QStringLiteral("vandrel2026"), QStringLiteral("Mot de passe"),
                              QStringLiteral("Saisissez le mot de passe de la base :"), QStringLiteral("*"));
        },
        [] {
            auto* box = shown<windows::FrmInputBox>();
            capture(box, QStringLiteral("FrmInputBox"));
            if (box != nullptr)
                if (auto* ok = box->findChild<QPushButton*>(QStringLiteral("CmdValider")))
                    ok->click();
        });
}

// The control `name` of `dialog`; without it the picture `shot` counts as
// failed and the dialog is closed, so the tool goes on.
template <class Control>
Control* controlOf(QDialog* dialog, const char* name, const QString& shot)
{
    auto* control = dialog == nullptr ? nullptr : dialog->findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) {
        capture(nullptr, shot);
        if (dialog != nullptr)
            dialog->reject();
    }
    return control;
}

// `entry` clicked in `view` of `dialog`, taken as `name` once painted; then
// `next` runs.
void clicked(QDialog* dialog, QAbstractItemView* view, const QModelIndex& entry, const QString& name,
             std::function<void()> next)
{
    view->setFocus(Qt::MouseFocusReason);
    view->setCurrentIndex(entry);
    QTimer::singleShot(kSettleMs, qApp, [dialog, name, next = std::move(next)] {
        capture(dialog, name);
        next();
    });
}

// The folder dialog as it opens, then with a folder clicked in its tree.
void folderDialog()
{
    whileShown([] { windows::FolderSelect(&engine::FrmMain::instance(), QStringLiteral("C:\\QN_Data\\"), {}); },
               [] {
                   auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                   capture(dialog, QStringLiteral("FolderSelect"));
                   auto* tree = controlOf<QTreeView>(dialog, "ArbreDossiers", QStringLiteral("FolderSelect_selected"));
                   if (tree == nullptr)
                       return;
                   clicked(dialog, tree, tree->indexBelow(tree->currentIndex()),
                           QStringLiteral("FolderSelect_selected"), [dialog] { dialog->reject(); });
               });
}

// "Regarder dans :" opened on the folder shown, which it marks; then the
// dialog is closed.
void lookInList(QDialog* dialog)
{
    auto* lookIn = controlOf<QComboBox>(dialog, "ComboRegarderDans", QStringLiteral("FileOpen_lookin"));
    if (lookIn == nullptr)
        return;
    lookIn->showPopup();
    QTimer::singleShot(kSettleMs, qApp, [dialog, lookIn] {
        capture(dialog, QStringLiteral("FileOpen_lookin"), lookIn->view()->window()->frameGeometry());
        lookIn->hidePopup();
        dialog->reject();
    });
}

// The log viewer of the Logs menu, on a log folder that holds a few days.
void logViewer()
{
    services::RepLogs = QStringLiteral("C:\\AudioLog\\Histo_QN3_Tools_Vandrel\\");
    services::VerificationEtCreationRepertoire(services::RepLogs, false);
    for (int daysBack = 1; daysBack <= 3; ++daysBack)
        platform::files::append(services::RepLogs + QDate::currentDate().addDays(-daysBack).toString(u"yyyyMMdd")
                                    + QStringLiteral(".Log"),
                                "Tools Vandrel: Setup: Init: Folders\r\n");
    whileShown([] { engine::FrmMain::instance().findChild<QAction*>(QStringLiteral("MnuLogTrace"))->trigger(); },
               [] {
                   auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                   capture(dialog, QStringLiteral("FileOpen"));
                   auto* files = controlOf<QListWidget>(dialog, "ListeFichiers", QStringLiteral("FileOpen_selected"));
                   if (files == nullptr)
                       return;
                   // A day's log: the last but one, before today's.
                   clicked(dialog, files, files->model()->index(files->count() - 2, 0),
                           QStringLiteral("FileOpen_selected"), [dialog] { lookInList(dialog); });
               });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QN3_Tools_Vandrel"));
    QApplication::setWindowIcon(engine::IconeProgramme());
    windows::InstallQtFrench(app); // the pictures show Qt's words as the program does
    if (argc != 2) {
        QTextStream(stderr) << "usage: qn3_screenshots <folder>\n";
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);

    // The windows keep their places beside the tool, as the program's beside it.
    services::RepApplication = platform::paths::applicationFolder();
    ToolQuestions questions;
    const platform::ScopedInstall<services::UserInteraction> installed(questions);
    windows::InstallSkinEngine(services::Frm_Main().SkinFramework);
    services::Frm_Main().Caption = QStringLiteral("Quillon: Tools VANDREL");
    windows::InitGeneralLook(-1);
    engine::FrmMain& main = engine::FrmMain::instance();
    windows::LookFenetre(&main, 1);
    main.move(40, 120);
    main.show();

    QTimer::singleShot(kSettleMs, &app, [&] {
        for (const auto& scene : {waitWindow, baseSelection, errorReport, messageBox, inputBox, folderDialog, logViewer})
            scene();
        engine::FrmMain::destroyInstance();
        app.exit(failures == 0 ? 0 : 1);
    });
    return app.exec();
}
