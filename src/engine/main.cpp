#include "engine/frm_main.h"
#include "engine/startup.h"
#include "engine/termination_signals.h"
#include "windows/qt_user_interaction.h"

#include "platform/installable.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QN3_Tools_Vandrel"));
    // The program keeps running while its main window is hidden in the
    // notification area; it ends when the main window has closed.
    QApplication::setQuitOnLastWindowClosed(false);

    qn3::windows::QtUserInteraction userInteraction;
    const qn3::platform::ScopedInstall<qn3::services::UserInteraction> installedQuestions(userInteraction);
    qn3::windows::QtKeyboardState keyboard;
    const qn3::platform::ScopedInstall<qn3::platform::KeyboardState> installedKeyboard(keyboard);

    // Listening before the start-up: a request to stop that arrives while it
    // runs is answered as soon as the event loop turns.
    const qn3::engine::TerminationSignals terminationSignals(
        [] { qn3::engine::FrmMain::instance().closeWithoutQuestion(); });
    qn3::engine::Demarrage();
    userInteraction.setOwner(&qn3::engine::FrmMain::instance());

    const int status = app.exec();
    qn3::engine::FrmMain::destroyInstance();
    return status;
}
