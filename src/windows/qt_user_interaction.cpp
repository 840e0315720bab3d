#include "windows/qt_user_interaction.h"

#include "windows/box_support.h"
#include "windows/file_open_dialog.h"
#include "windows/folder_select.h"
#include "windows/frm_msg.h"
#include "windows/frm_select_base.h"
#include "windows/platform_box.h"
#include "windows/window_helpers.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <cstdlib>
#include <vector>

namespace qn3::windows {
namespace {

struct BoxButton {
    const char16_t* caption;
    int32_t answer;
};

// The platform's button sets, by the low three bits of the style: left to
// right and captioned as a French Windows shows them.
std::vector<BoxButton> buttonsOf(int32_t style)
{
    using namespace services::msgbox;
    const BoxButton ok{u"OK", AnswerOk}, cancel{u"Annuler", AnswerCancel}, abort{u"Abandonner", AnswerAbort},
        retry{u"Recommencer", AnswerRetry}, ignore{u"Ignorer", AnswerIgnore}, yes{u"Oui", AnswerYes},
        no{u"Non", AnswerNo};
    switch (style & ButtonsMask) {
    case OkCancel: return {ok, cancel};
    case AbortRetryIgnore: return {abort, retry, ignore};
    case YesNoCancel: return {yes, no, cancel};
    case YesNo: return {yes, no};
    case RetryCancel: return {retry, cancel};
    default: return {ok};
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

} // namespace

// The start-up asks its questions before the engine names the owner: the
// main window, already shown by then, owns them.
QWidget* QtUserInteraction::owner() const
{
    return owner_ != nullptr ? owner_ : mainWindow();
}

int32_t QtUserInteraction::askMessageBox(const services::MessageBoxRequest& request)
{
    PlatformMessageBox box(iconOf(request.style), request.title, request.text, owner());
    // One role for all keeps the buttons in the order they are added, whatever
    // order the desktop gives the standard roles; the Windows layout puts the
    // row on the right.
    box.setStyleSheet(QStringLiteral("QDialogButtonBox { button-layout: 0; }"));
    const std::vector<BoxButton> buttons = buttonsOf(request.style);
    std::vector<QPushButton*> added;
    for (const BoxButton& button : buttons) {
        added.push_back(box.addButton(QString::fromUtf16(button.caption), QMessageBox::ActionRole));
        // As on Windows, Escape and the close box answer Annuler, or OK when it
        // is the only button; any other box can only be answered by a button.
        if (button.answer == services::msgbox::AnswerCancel || buttons.size() == 1)
            box.setEscapeButton(added.back());
    }
    // A default-button number beyond the last button gives the first one.
    const auto wanted = static_cast<size_t>((request.style & services::msgbox::DefaultButtonMask) >> 8);
    box.setDefaultButton(added[wanted < added.size() ? wanted : 0]);
    setCloseBox(&box, box.escapeButton() != nullptr);
    if (request.style & services::msgbox::SetForeground) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.activateWindow();
    }
    box.exec();
    for (size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return buttons[i].answer;
    return services::msgbox::AnswerCancel;
}

std::optional<QString> QtUserInteraction::askOpenFile(const services::OpenFileRequest& request)
{
    // Windows kept on top step back so they cannot cover the dialog.
    AfficherMessageBoxOuInputBox(-1);
    FileOpenDialog dialog(owner(), request);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    AfficherMessageBoxOuInputBox(0);
    if (!chosen)
        return std::nullopt;
    return dialog.chosenFile();
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
