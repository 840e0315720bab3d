#include "platform/os_version_overrides.h"
#include "platform/registry_store.h"
#include "platform/system_facts.h"
#include "support/temp_prefix.h"

#include <QByteArray>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace qn3::platform;

namespace {

class OsVersionOverridesTest : public ::testing::Test {
protected:
    void set(const char16_t* name, uint32_t type, const QByteArray& data)
    {
        RegistryKey key;
        ASSERT_EQ(store().createKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, key), 0);
        ASSERT_EQ(store().setValue(key, name, type, data), 0);
    }
    static QByteArray dword(uint32_t value)
    {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    }
    static QByteArray sz(const char* text) { return QByteArray(text) + '\0'; }
    static RegistryStore& store() { return RegistryStore::current(); }

    qn3::testing::TempPrefix prefix;
};

TEST_F(OsVersionOverridesTest, AdministratorValuesReplaceEachDefaultTheyName)
{
    set(u"CurrentMajorVersionNumber", REG_DWORD, dword(5));
    set(u"CurrentMinorVersionNumber", REG_SZ, sz("2"));
    set(u"CurrentBuildNumber", REG_SZ, sz("3790"));
    set(u"CSDVersion", REG_SZ, sz("Service Pack 2"));
    set(u"Qn3PlatformId", REG_DWORD, dword(2));
    set(u"Qn3ServicePackMajor", REG_DWORD, dword(2));
    set(u"Qn3SuiteMask", REG_SZ, sz("0x2000"));
    set(u"Qn3ProductType", REG_DWORD, dword(3));
    set(u"Qn3ProcessorArchitecture", REG_DWORD, dword(6));
    set(u"Qn3ProductInfoType", REG_DWORD, dword(7));
    set(u"Qn3ServerR2", REG_DWORD, dword(1));

    const OsVersionInfo info = SystemFacts::standard().osVersion();
    EXPECT_EQ(std::tuple(info.majorVersion, info.minorVersion, info.buildNumber, info.platformId, info.productInfoType),
              std::tuple(5u, 2u, 3790u, 2u, 7u));
    EXPECT_EQ(info.csdVersion, QStringLiteral("Service Pack 2"));
    EXPECT_EQ(std::tuple(info.servicePackMajor, info.servicePackMinor, info.suiteMask, info.productType,
                         info.processorArchitecture, info.serverR2),
              std::tuple(2, 0, 0x2000, 3, 6, 1));
}

TEST_F(OsVersionOverridesTest, ValuesThatAreNotNumbersLeaveTheDefaults)
{
    set(u"CurrentMajorVersionNumber", REG_SZ, sz("ten"));
    set(u"CurrentMinorVersionNumber", 3 /* REG_BINARY */, QByteArray("\x01", 1));
    set(u"CurrentBuildNumber", REG_DWORD, QByteArray("\x01\x02", 2)); // a DWORD of two bytes
    OsVersionInfo defaults;
    defaults.processorArchitecture = 9;
    const OsVersionInfo info = withRegistryOverrides(defaults, store());
    EXPECT_EQ(std::tuple(info.majorVersion, info.minorVersion, info.buildNumber, info.processorArchitecture),
              std::tuple(6u, 2u, 9200u, 9));
    EXPECT_TRUE(info.csdVersion.isEmpty());
}

} // namespace
