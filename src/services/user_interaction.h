#pragma once

#include "platform/installable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// Everything the services must ask the user goes through this one interface.
// The engine installs the real windows at start-up; tests install a double
// that answers at once. Without either, every question is cancelled, so a
// service running headless never blocks.
namespace qn3::services {

struct OpenFileRequest {
    QString title;
    QString initialFolder; // Windows path
    QString filter;        // "Logs|*.log" form
    QString fileName;      // preset Windows path
};

// A message box as MsgBox shows it: `style` adds the button set (0 OK,
// 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5
// Retry/Cancel), the icon (16 critical, 32 question, 48 exclamation, 64
// information), the default button (0 the first, 256 the second, 512 the
// third) and options (65536 set foreground, ...).
struct MessageBoxRequest {
    QString text;
    int32_t style = 0;
    QString title;
};

// The folder selection dialog (FolderSelect): opened on `startFolder`
// (a Windows path), owned by the window of handle `ownerHwnd`, with `title`
// above the tree ("" gives the dialog's own title).
struct FolderRequest {
    int32_t ownerHwnd = 0;
    QString startFolder;
    QString title;
};

// The base selection window: `names` fill its list in base order,
// `preselected` is selected first, and `onSelection` runs with the selected
// index each time the selection changes (the preselection included).
struct BaseChoiceRequest {
    QStringList names;
    int16_t preselected = 0;
    std::function<void(int16_t)> onSelection;
};

// The answers of a message box: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
namespace msgbox {
inline constexpr int32_t OkOnly = 0;
inline constexpr int32_t OkCancel = 1;
inline constexpr int32_t AbortRetryIgnore = 2;
inline constexpr int32_t YesNoCancel = 3;
inline constexpr int32_t YesNo = 4;
inline constexpr int32_t RetryCancel = 5;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t Question = 32;
inline constexpr int32_t Exclamation = 48;
inline constexpr int32_t Information = 64;
inline constexpr int32_t DefaultButton2 = 256;
inline constexpr int32_t DefaultButton3 = 512;
inline constexpr int32_t DefaultButtonMask = 768;
inline constexpr int32_t SetForeground = 65536;
inline constexpr int32_t ButtonsMask = 7;
inline constexpr int32_t AnswerOk = 1;
inline constexpr int32_t AnswerCancel = 2;
inline constexpr int32_t AnswerAbort = 3;
inline constexpr int32_t AnswerRetry = 4;
inline constexpr int32_t AnswerIgnore = 5;
inline constexpr int32_t AnswerYes = 6;
inline constexpr int32_t AnswerNo = 7;
} // namespace msgbox

class UserInteraction : public platform::Installable<UserInteraction> {
public:
    virtual ~UserInteraction() = default;

    // The button the user chose. The standard answer is the one that changes
    // nothing: Cancel where the box has it, else OK, No or Ignore.
    virtual int32_t askMessageBox(const MessageBoxRequest& request) = 0;

    // The chosen file as a Windows path, or nothing when the user cancelled.
    virtual std::optional<QString> askOpenFile(const OpenFileRequest& request) = 0;

    // The folder selection dialog: the chosen folder as a Windows path with a
    // trailing backslash (made when missing), or "*" when nothing was chosen.
    virtual QString selectFolder(const FolderRequest& request) = 0;

    // Shows the base selection window modal over the main window and returns
    // the chosen index, or -1 when the user gave up.
    virtual int16_t chooseBase(const BaseChoiceRequest& request) = 0;

    // Hides or shows again the start-up wait window, when it is shown.
    virtual void setWaitWindowVisible(bool visible) = 0;

    // Ends the program at once: no window is unloaded and nothing more runs.
    // The real one does not return; a test double records the request and
    // returns, so callers return right after calling it.
    virtual void endProgram() = 0;

    static UserInteraction& standard();
};

} // namespace qn3::services
