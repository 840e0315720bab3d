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
    QCoreApplication::setApplicationVersion(QStringLiteral(QN3_VERSION));
    // The program keeps running while its main window is hidden in the
    // notification area; it ends when the main window has closed.
    QApplication::setQuitOnLastWindowClosed(false);

    qn3::windows::QtUserInteraction userInteraction;
    const qn3::platform::ScopedInstall<qn3::services::UserInteraction> installedQuestions(userInteraction);
    qn3::windows::QtKeyboardState keyboard;
    const qn3::platform::ScopedInstall<qn3::platform::KeyboardState> installedKeyboard(keyboard);

    qn3::engine::Demarrage();
    qn3::engine::FrmMain& mainWindow = qn3::engine::FrmMain::instance();
    userInteraction.setOwner(&mainWindow);
    const qn3::engine::TerminationSignals terminationSignals([&mainWindow] { mainWindow.closeWithoutQuestion(); });

    const int status = app.exec();
    qn3::engine::FrmMain::destroyInstance();
    return status;
}
