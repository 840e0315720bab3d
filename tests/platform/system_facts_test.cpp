#include "platform/system_facts.h"
#include "support/scoped_time_zone.h"
#include "support/temp_prefix.h"

#include <QSysInfo>

#include <gtest/gtest.h>

using namespace qn3::platform;

namespace {

TEST(SystemFacts, DefaultVersionIsWhatAProgramWithoutManifestSees)
{
    qn3::testing::TempPrefix prefix; // the version record looks at the registry store
    const OsVersionInfo info = SystemFacts::standard().osVersion();
    EXPECT_EQ(std::tuple(info.platformId, info.majorVersion, info.minorVersion, info.buildNumber, info.productType),
              std::tuple(2u, 6u, 2u, 9200u, 1));
    EXPECT_TRUE(info.csdVersion.isEmpty());
    EXPECT_EQ(SystemFacts::current().windowsFolder(), QStringLiteral("C:\\Windows"));
    EXPECT_TRUE(QSysInfo::currentCpuArchitecture() != u"x86_64" || info.processorArchitecture == 9);
}

TEST(SystemFacts, ComputerNameIsTheShortHostNameInUpperCase)
{
    const QString name = SystemFacts::standard().computerName();
    EXPECT_LE(name.size(), 15);
    EXPECT_EQ(name, name.toUpper());
    EXPECT_FALSE(name.contains(u'.'));
    EXPECT_TRUE(QSysInfo::machineHostName().toUpper().startsWith(name));
}

TEST(SystemFacts, UtcOffsetFollowsDaylightSavingAndIsEastPositive)
{
    SystemFacts& facts = SystemFacts::standard();
    const std::tuple<const char*, int, int> rows[] = { // zone, month, minutes east of UTC
        {"Europe/Paris", 1, 60}, {"Europe/Paris", 7, 120}, {"America/New_York", 7, -240}};
    for (const auto& [zone, month, offset] : rows) {
        qn3::testing::ScopedTimeZone scoped(zone);
        EXPECT_EQ(facts.utcOffsetMinutes(QDateTime(QDate(2024, month, 15), QTime(12, 0), Qt::UTC)), offset) << zone;
    }
}

TEST(SystemFacts, ModifierMaskUsesTheKeyEventBitsAndADoubleReplacesTheKeyboardForAScope)
{
    EXPECT_EQ(modifierMask(Qt::NoModifier), 0);
    EXPECT_EQ(modifierMask(Qt::ControlModifier | Qt::ShiftModifier), 3);
    EXPECT_EQ(modifierMask(Qt::AltModifier | Qt::KeypadModifier), 4);
    struct Held final : KeyboardState {
        explicit Held(Qt::KeyboardModifiers held) : held(held) {}
        Qt::KeyboardModifiers heldModifiers() override { return held; }
        Qt::KeyboardModifiers held;
    } ctrl(Qt::ControlModifier), alt(Qt::AltModifier);
    {
        ScopedInstall<KeyboardState> outer(ctrl);
        {
            ScopedInstall<KeyboardState> inner(alt);
            EXPECT_EQ(KeyboardState::current().heldModifiers(), Qt::AltModifier);
        }
        EXPECT_EQ(KeyboardState::current().heldModifiers(), Qt::ControlModifier);
    }
    EXPECT_EQ(KeyboardState::current().heldModifiers(), Qt::NoModifier);
}

} // namespace
