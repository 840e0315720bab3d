#include "platform/processes.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace qn3::platform {
namespace {

namespace results = shell_results;

// "https://...", "mailto:...": an address, handled by the scheme's handler. A
// drive letter ("C:") has a one-letter scheme and stays a path.
bool isAddress(const QString& file)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(file).hasMatch();
}

bool isAbsoluteWindowsPath(const QString& path)
{
    return path.startsWith(u'\\') || path.startsWith(u'/') || (path.size() >= 2 && path[1] == u':');
}

// The shell's code for a path the platform refuses or cannot find.
int32_t codeForMissing(const RuntimeError& e)
{
    return e.number() == errors::DeviceUnavailable || e.number() == errors::PathNotFound ? results::PathNotFound
                                                                                         : results::FileNotFound;
}

// The desktop's default application for a type, as the query tool names it;
// nothing when the tool cannot be run (the open tool then decides alone).
std::optional<QString> defaultHandler(const QString& queryTool, const QString& mimeType)
{
    QProcess query;
    query.start(queryTool, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForStarted() || !query.waitForFinished())
        return std::nullopt;
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

DesktopShell::DesktopShell(QString queryTool, QString openTool)
    : queryTool_(std::move(queryTool)), openTool_(std::move(openTool))
{
}

int32_t DesktopShell::execute(const ShellRequest& request)
{
    if (!request.verb.isEmpty() && request.verb.compare(QStringLiteral("open"), Qt::CaseInsensitive) != 0)
        return results::NoAssociation;
    if (request.file.trimmed().isEmpty())
        return results::FileNotFound;

    QString target;
    QString mimeType;
    if (isAddress(request.file)) {
        target = request.file;
        mimeType = QStringLiteral("x-scheme-handler/") + request.file.section(u':', 0, 0).toLower();
    } else {
        QString windowsPath = request.file;
        if (!isAbsoluteWindowsPath(windowsPath) && !request.folder.isEmpty())
            windowsPath = request.folder + (request.folder.endsWith(u'\\') ? QString() : QStringLiteral("\\")) + windowsPath;
        QString workingFolder;
        try {
            target = paths::toHost(windowsPath);
            if (!request.folder.isEmpty())
                workingFolder = paths::toHost(request.folder);
        } catch (const RuntimeError& e) {
            return codeForMissing(e);
        }
        const QFileInfo info(target);
        if (!info.exists())
            return info.dir().exists() ? results::FileNotFound : results::PathNotFound;
        if (info.isFile() && info.isExecutable()) {
            return QProcess::startDetached(target, QProcess::splitCommand(request.parameters), workingFolder)
                       ? results::Started
                       : results::AccessDenied;
        }
        mimeType = QMimeDatabase().mimeTypeForFile(info).name();
    }
    const std::optional<QString> handler = defaultHandler(queryTool_, mimeType);
    if (handler && handler->isEmpty())
        return results::NoAssociation;
    return QProcess::startDetached(openTool_, {target}) ? results::Started : results::NoAssociation;
}

ShellExecutor& ShellExecutor::standard()
{
    static DesktopShell shell;
    return shell;
}

// ---- Processes ----------------------------------------------------------------

std::optional<ProcessHandle> ProcessHandle::open(int32_t processId)
{
    if (processId <= 0)
        return std::nullopt;
    const long fd = ::syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0u);
    if (fd < 0)
        return std::nullopt;
    return ProcessHandle(static_cast<int>(fd));
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

ProcessHandle::~ProcessHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

uint32_t ProcessHandle::exitCode() const
{
    // WNOWAIT looks at the status without collecting it.
    siginfo_t info{};
    if (::waitid(P_PIDFD, static_cast<id_t>(fd_), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
        if (info.si_pid == 0)
            return kStillActive;
        return info.si_code == CLD_EXITED ? static_cast<uint32_t>(info.si_status) : 128u + static_cast<uint32_t>(info.si_status);
    }
    // Not our child: its descriptor turns readable when it ends, its code is not ours to read.
    pollfd watch{fd_, POLLIN, 0};
    return ::poll(&watch, 1, 0) > 0 ? 0u : kStillActive;
}

} // namespace qn3::platform
