#include "engine/frm_main.h"
#include "engine/program_icon.h"
#include "engine/scripted_answers.h"
#include "engine/startup.h"
#include "engine/termination_signals.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/window_members.h"
#include "windows/qt_french.h"
#include "windows/qt_user_interaction.h"
#include "windows/skin_styles.h"

#include "platform/installable.h"

#include <QApplication>
#include <QTimer>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QN3_Tools_Vandrel"));
    // Every window of the program, the wait window and the dialogs included,
    // carries the program's icon.
    QApplication::setWindowIcon(qn3::engine::IconeProgramme());
    // The program keeps running while its main window is hidden in the
    // notification area; it ends when the main window has closed.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own words (a text field's context menu) are French like the
    // program's; without the catalogue they stay English, as the log says.
    if (!qn3::windows::InstallQtFrench(app))
        qn3::services::TraceLog(-1, -1, -1,
            QStringLiteral("Catalogue français de Qt (qtbase_fr) introuvable: les textes de Qt restent en anglais"),
            false, true);

    qn3::windows::QtUserInteraction userInteraction;
    std::unique_ptr<qn3::engine::ReponsesScriptees> scripted;
    if (qn3::engine::ReponsesScriptees::demandees())
        scripted = std::make_unique<qn3::engine::ReponsesScriptees>(userInteraction);
    const qn3::platform::ScopedInstall<qn3::services::UserInteraction> installedQuestions(
        scripted ? static_cast<qn3::services::UserInteraction&>(*scripted) : userInteraction);
    // The skin component of the main window dresses the whole program with
    // the style the window look chooses at start-up.
    qn3::windows::InstallSkinEngine(qn3::services::Frm_Main().SkinFramework);
    qn3::windows::QtKeyboardState keyboard;
    const qn3::platform::ScopedInstall<qn3::platform::KeyboardState> installedKeyboard(keyboard);

    qn3::engine::OptionsDemarrage options;
    options.ligne = qn3::engine::LectureLigneDeCommande(QCoreApplication::arguments().mid(1));
    const QByteArray quitter = qgetenv("QN3_QUIT_WHEN_READY");
    options.quitterQuandPret = quitter == "1";
    options.quitterAvecQuestion = quitter == "question";
    options.fenetrePrincipaleCreee = [&](QWidget* main) { userInteraction.setOwner(main); };

    // Listening before the start-up: a request to stop that arrives while it
    // runs is answered as soon as the event loop turns.
    const qn3::engine::TerminationSignals terminationSignals(
        [] { qn3::engine::FrmMain::instance().closeWithoutQuestion(); });
    // The start-up runs inside the event loop, so that its waits and
    // questions let the window messages run.
    QTimer::singleShot(0, &app, [&] { qn3::engine::Demarrage(options); });

    const int status = app.exec();
    qn3::engine::FrmMain::destroyInstance();
    // What a start-up stopped by the close request traced on its way out
    // reaches the day's log too.
    qn3::services::TraceLogFinDuProgramme();
    return status;
}
