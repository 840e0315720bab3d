#include "platform/system_facts.h"

#include "platform/os_version_overrides.h"

#include <QSysInfo>
#include <QTimeZone>

namespace qn3::platform {
namespace {

uint16_t hostArchitecture()
{
    const QString cpu = QSysInfo::currentCpuArchitecture();
    if (cpu == u"x86_64")
        return 9;
    if (cpu == u"i386")
        return 0;
    if (cpu == u"arm64")
        return 12;
    if (cpu.startsWith(u"arm"))
        return 5;
    if (cpu == u"ia64")
        return 6;
    return 0xFFFF; // PROCESSOR_ARCHITECTURE_UNKNOWN
}

class StandardSystemFacts final : public SystemFacts {
public:
    OsVersionInfo osVersion() override
    {
        OsVersionInfo info;
        info.processorArchitecture = hostArchitecture();
        return withRegistryOverrides(info, RegistryStore::current());
    }

    QString windowsFolder() override { return QStringLiteral("C:\\Windows"); }
    QString systemFolder() override { return QStringLiteral("C:\\Windows\\System32"); }

    QString computerName() override
    {
        constexpr qsizetype NetBiosLength = 15;
        const QString host = QSysInfo::machineHostName();
        return host.section(u'.', 0, 0).left(NetBiosLength).toUpper();
    }

    int32_t utcOffsetMinutes(const QDateTime& at) override
    {
        return QTimeZone::systemTimeZone().offsetFromUtc(at) / 60;
    }
};

class NoKeyboard final : public KeyboardState {
public:
    Qt::KeyboardModifiers heldModifiers() override { return Qt::NoModifier; }
};

} // namespace

uint16_t modifierMask(Qt::KeyboardModifiers held)
{
    uint16_t mask = 0;
    if (held & Qt::ShiftModifier)
        mask |= modifiers::Shift;
    if (held & Qt::ControlModifier)
        mask |= modifiers::Ctrl;
    if (held & Qt::AltModifier)
        mask |= modifiers::Alt;
    return mask;
}

SystemFacts& SystemFacts::standard()
{
    static StandardSystemFacts facts;
    return facts;
}

KeyboardState& KeyboardState::standard()
{
    static NoKeyboard keyboard;
    return keyboard;
}

} // namespace qn3::platform
