#include "platform/system_facts.h"
#include "support/temp_prefix.h"

#include <QSysInfo>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qn3::platform;

namespace {

TEST(SystemFacts, DefaultVersionIsWhatAProgramWithoutManifestSees)
{
    qn3::testing::TempPrefix prefix; // the version record looks at the registry store
    const OsVersionInfo info = SystemFacts::standard().osVersion();
    EXPECT_EQ(info.platformId, 2u);
    EXPECT_EQ(info.majorVersion, 6u);
    EXPECT_EQ(info.minorVersion, 2u);
    EXPECT_EQ(info.buildNumber, 9200u);
    EXPECT_TRUE(info.csdVersion.isEmpty());
    EXPECT_EQ(info.productType, 1);
    if (QSysInfo::currentCpuArchitecture() == u"x86_64") {
        EXPECT_EQ(info.processorArchitecture, 9);
    }
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
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Europe/Paris");
    tzset();
    SystemFacts& facts = SystemFacts::standard();
    EXPECT_EQ(facts.utcOffsetMinutes(QDateTime(QDate(2024, 1, 15), QTime(12, 0), Qt::UTC)), 60);
    EXPECT_EQ(facts.utcOffsetMinutes(QDateTime(QDate(2024, 7, 15), QTime(12, 0), Qt::UTC)), 120);
    qputenv("TZ", "America/New_York");
    tzset();
    EXPECT_EQ(facts.utcOffsetMinutes(QDateTime(QDate(2024, 7, 15), QTime(12, 0), Qt::UTC)), -240);
    if (previous.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", previous);
    tzset();
}

TEST(SystemFacts, ModifierMaskUsesTheKeyEventBits)
{
    EXPECT_EQ(modifierMask(Qt::NoModifier), 0);
    EXPECT_EQ(modifierMask(Qt::ControlModifier | Qt::ShiftModifier), 3);
    EXPECT_EQ(modifierMask(Qt::AltModifier | Qt::KeypadModifier), 4);
    EXPECT_EQ(KeyboardState::standard().heldModifiers(), Qt::NoModifier);
}

TEST(SystemFacts, DoubleReplacesTheStandardFactsForAScope)
{
    struct Windows7 final : SystemFacts {
        OsVersionInfo osVersion() override
        {
            OsVersionInfo info;
            info.minorVersion = 1;
            info.buildNumber = 7601;
            info.csdVersion = QStringLiteral("Service Pack 1");
            return info;
        }
        QString windowsFolder() override { return QStringLiteral("D:\\WINNT"); }
        QString systemFolder() override { return {}; }
        QString computerName() override { return QStringLiteral("STUDIO"); }
        int32_t utcOffsetMinutes(const QDateTime&) override { return 0; }
    } windows7;
    {
        ScopedInstall<SystemFacts> install(windows7);
        EXPECT_EQ(SystemFacts::current().osVersion().buildNumber, 7601u);
        EXPECT_EQ(SystemFacts::current().windowsFolder(), QStringLiteral("D:\\WINNT"));
    }
    EXPECT_EQ(SystemFacts::current().windowsFolder(), QStringLiteral("C:\\Windows"));
}

} // namespace
