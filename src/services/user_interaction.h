#pragma once

#include "platform/installable.h"

#include <QString>

#include <cstdint>
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
// information) and options (65536 set foreground, ...).
struct MessageBoxRequest {
    QString text;
    int32_t style = 0;
    QString title;
};

// The answers of a message box: 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
namespace msgbox {
inline constexpr int32_t OkOnly = 0;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t SetForeground = 65536;
inline constexpr int32_t ButtonsMask = 7;
inline constexpr int32_t AnswerOk = 1;
inline constexpr int32_t AnswerCancel = 2;
inline constexpr int32_t AnswerIgnore = 5;
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

    static UserInteraction& standard();
};

} // namespace qn3::services
