#include "platform/os_version_overrides.h"

#include "platform_test_files.h"

#include <QtEndian>

using namespace qn3::platform;

namespace {

QByteArray dword(uint32_t value)
{
    const quint32_le little(value);
    return QByteArray(reinterpret_cast<const char*>(&little), 4);
}

class OsVersionOverridesTest : public ::testing::Test {
protected:
    using Value = std::tuple<const char16_t*, uint32_t, QByteArray>; // name, type, data

    template <size_t N>
    void set(const Value (&values)[N])
    {
        RegistryKey key;
        ASSERT_EQ(RegistryStore::current().createKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, key), 0);
        for (const auto& [name, type, data] : values)
            ASSERT_EQ(RegistryStore::current().setValue(key, name, type, data), 0);
    }

    qn3::testing::TempPrefix prefix;
};

TEST_F(OsVersionOverridesTest, AdministratorValuesReplaceEachDefaultTheyName)
{
    using qn3::testing::sz;
    set({{u"CurrentMajorVersionNumber", REG_DWORD, dword(5)}, {u"CurrentMinorVersionNumber", REG_SZ, sz("2")},
         {u"CurrentBuildNumber", REG_SZ, sz("3790")}, {u"CSDVersion", REG_SZ, sz("Service Pack 2")},
         {u"Qn3PlatformId", REG_DWORD, dword(2)}, {u"Qn3ServicePackMajor", REG_DWORD, dword(2)},
         {u"Qn3SuiteMask", REG_SZ, sz("0x2000")}, {u"Qn3ProductType", REG_DWORD, dword(3)},
         {u"Qn3ProcessorArchitecture", REG_DWORD, dword(6)}, {u"Qn3ProductInfoType", REG_DWORD, dword(7)},
         {u"Qn3ServerR2", REG_DWORD, dword(1)}});
    const OsVersionInfo os = SystemFacts::standard().osVersion();
    EXPECT_EQ(std::tuple(os.majorVersion, os.minorVersion, os.buildNumber, os.platformId, os.productInfoType,
                         os.servicePackMajor, os.servicePackMinor, os.suiteMask, os.productType),
              std::tuple(5u, 2u, 3790u, 2u, 7u, 2, 0, 0x2000, 3));
    EXPECT_EQ(std::tuple(os.csdVersion, os.processorArchitecture, os.serverR2), std::tuple("Service Pack 2", 6, 1));
}

TEST_F(OsVersionOverridesTest, ValuesThatAreNotNumbersLeaveTheDefaults)
{
    set({{u"CurrentMajorVersionNumber", REG_SZ, qn3::testing::sz("ten")},
         {u"CurrentMinorVersionNumber", 3 /* REG_BINARY */, QByteArray("\x01", 1)},
         {u"CurrentBuildNumber", REG_DWORD, QByteArray("\x01\x02", 2)}}); // a DWORD of two bytes
    OsVersionInfo defaults;
    defaults.processorArchitecture = 9;
    const OsVersionInfo info = withRegistryOverrides(defaults, RegistryStore::current());
    EXPECT_EQ(std::tuple(info.majorVersion, info.minorVersion, info.buildNumber, info.processorArchitecture),
              std::tuple(6u, 2u, 9200u, 9));
    EXPECT_TRUE(info.csdVersion.isEmpty());
}

} // namespace
