#include "platform/restart.h"

#include <QtGlobal>
#ifdef QN3_DELIVERY
#include <QProcess>
#include <QStringList>
#endif

namespace qn3::platform {
namespace {

#ifdef QN3_DELIVERY
// The system's own commands do the work: they check the caller's rights and
// close the session's programs the way the desktop does.
class SystemRestart final : public Restart {
public:
    void exitWindows(uint32_t flags) override
    {
        if (flags & exitflags::Reboot)
            QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("reboot")});
        else if (flags & (exitflags::Shutdown | exitflags::PowerOff))
            QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
        else
            QProcess::startDetached(QStringLiteral("loginctl"), {QStringLiteral("terminate-user"), qEnvironmentVariable("USER")});
    }
};
#else
// Development builds never touch the machine.
class SystemRestart final : public Restart {
public:
    void exitWindows(uint32_t flags) override
    {
        qWarning("End of session (flags %u) requested; not performed outside the delivered program", flags);
    }
};
#endif

} // namespace

Restart& Restart::standard()
{
    static SystemRestart restart;
    return restart;
}

} // namespace qn3::platform
