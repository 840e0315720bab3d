#include "windows/qt_user_interaction.h"

#include "platform/windows_path.h"
#include "windows/box_support.h"
#include "windows/folder_select.h"
#include "windows/frm_msg.h"
#include "windows/frm_select_base.h"
#include "windows/window_helpers.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdlib>

namespace qn3::windows {
namespace {

// "Logs|*.log|All|*.*" -> "Logs (*.log);;All (*.*)"
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    return entries.join(QStringLiteral(";;"));
}

QString hostOrEmpty(const QString& windowsPath)
{
    if (windowsPath.trimmed().isEmpty())
        return {};
    try {
        return platform::paths::toHost(windowsPath);
    } catch (const std::exception&) {
        return {};
    }
}

// The platform's button sets, by the low three bits of the style.
QMessageBox::StandardButtons buttonsOf(int32_t style)
{
    switch (style & services::msgbox::ButtonsMask) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconOf(int32_t style)
{
    switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int32_t answerOf(int clicked)
{
    switch (clicked) {
    case QMessageBox::Ok: return 1;
    case QMessageBox::Cancel: return 2;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return 6;
    case QMessageBox::No: return 7;
    default: return 2; // closed without a button
    }
}

} // namespace

// The start-up asks its questions before the engine names the owner: the
// main window, already shown by then, owns them.
QWidget* QtUserInteraction::owner() const
{
    return owner_ != nullptr ? owner_ : mainWindow();
}

int32_t QtUserInteraction::askMessageBox(const services::MessageBoxRequest& request)
{
    QMessageBox box(iconOf(request.style), request.title, request.text, buttonsOf(request.style), owner());
    if (request.style & services::msgbox::SetForeground) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.activateWindow();
    }
    return answerOf(box.exec());
}

std::optional<QString> QtUserInteraction::askOpenFile(const services::OpenFileRequest& request)
{
    QString start = hostOrEmpty(request.fileName);
    if (start.isEmpty())
        start = hostOrEmpty(request.initialFolder);
    // Windows kept on top step back so they cannot cover the dialog.
    AfficherMessageBoxOuInputBox(-1);
    const QString chosen = QFileDialog::getOpenFileName(owner(), request.title, start, qtFilter(request.filter));
    AfficherMessageBoxOuInputBox(0);
    if (chosen.isEmpty())
        return std::nullopt;
    return platform::paths::toWindows(chosen);
}

QString QtUserInteraction::selectFolder(const services::FolderRequest& request)
{
    return FolderSelect(owner(), request.startFolder, request.title);
}

int16_t QtUserInteraction::chooseBase(const services::BaseChoiceRequest& request)
{
    return ChooseBase(owner(), request);
}

void QtUserInteraction::setWaitWindowVisible(bool visible)
{
    if (!FrmMsg::exists())
        return;
    FrmMsg& wait = FrmMsg::instance();
    if (!visible) {
        waitWindowHidden_ = wait.isVisible();
        wait.hide();
    } else if (waitWindowHidden_) {
        waitWindowHidden_ = false;
        wait.show();
    }
}

void QtUserInteraction::endProgram()
{
    std::_Exit(0);
}

Qt::KeyboardModifiers QtKeyboardState::heldModifiers()
{
    return QGuiApplication::queryKeyboardModifiers();
}

} // namespace qn3::windows
