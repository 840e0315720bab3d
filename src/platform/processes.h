#pragma once

#include "platform/installable.h"

#include <QString>

#include <cstdint>
#include <optional>

// Outside programs: the shell's "Open" of a document, a folder or an address
// (ShellExecuteA), and a watch on a running process by its id (OpenProcess
// and GetExitCodeProcess).
namespace qn3::platform {

// ShellExecuteA's results: a value above 32 is success.
namespace shell_results {
inline constexpr int32_t OutOfMemory = 0;
inline constexpr int32_t FileNotFound = 2;
inline constexpr int32_t PathNotFound = 3;
inline constexpr int32_t AccessDenied = 5;
inline constexpr int32_t NoAssociation = 31;
inline constexpr int32_t Started = 42;
} // namespace shell_results

struct ShellRequest {
    int32_t ownerWindow = 0; // owner of any dialog the handler shows
    QString verb;            // "Open" (any case); empty means the same
    QString file;            // Windows path, or an address such as "https://..."
    QString parameters;      // for a program; empty for none
    QString folder;          // working folder (Windows path); empty for none
    int32_t show = 1;        // show command; the desktop decides how a window appears
};

class ShellExecutor : public Installable<ShellExecutor> {
public:
    virtual ~ShellExecutor() = default;

    // Starts the handler of the request and returns without waiting for it:
    // above 32 when it was started, else the shell's code (2 file not found,
    // 3 path not found, 5 access denied, 31 no handler for the file's type
    // or for the verb). Never throws.
    virtual int32_t execute(const ShellRequest& request) = 0;

    static ShellExecutor& standard();
};

// The freedesktop road: the file's type is what the MIME database says, its
// handler is the desktop's default application for that type (`queryTool`
// "query default <type>"), and `openTool` starts it. A program file (a host
// executable) is started itself with the parameters. The tools are named so
// tests can put harmless stand-ins in their place.
class DesktopShell final : public ShellExecutor {
public:
    explicit DesktopShell(QString queryTool = QStringLiteral("xdg-mime"), QString openTool = QStringLiteral("xdg-open"));
    int32_t execute(const ShellRequest& request) override;

private:
    QString queryTool_;
    QString openTool_;
};

// GetExitCodeProcess's answer while the process runs.
inline constexpr uint32_t kStillActive = 259;

// An opened process. The exit code of a process that this program started
// itself is the code it ended with (128 plus the signal number when a signal
// ended it); another process's code cannot be learnt on this system and reads
// 0 once it has ended. The process is never reaped here, so whoever started
// it still collects it.
class ProcessHandle {
public:
    // Nothing when no process has that id (or it cannot be watched).
    static std::optional<ProcessHandle> open(int32_t processId);

    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle();

    // kStillActive while the process runs.
    uint32_t exitCode() const;
    // A descriptor that becomes readable when the process ends, for an
    // event loop to watch.
    int descriptor() const { return fd_; }

private:
    explicit ProcessHandle(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace qn3::platform
