#include "platform/registry_store.h"
#include "platform/windows_path.h"
#include "services/log_header.h"
#include "services/os_facts.h"
#include "services/registry_access.h"
#include "support/services_fixture.h"

namespace qn3::services {
namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

struct RegistryAccessTest : testing::ServicesTest {
    const QString look = "Software\\Sonvarek\\Quillon\\Look";

    // Stores a value of any type straight into the registry.
    void store(const QString& name, uint32_t type, const QByteArray& data)
    {
        platform::RegistryKey key;
        ASSERT_EQ(platform::RegistryStore::current().createKey(HKEY_LOCAL_MACHINE, look, key), 0);
        ASSERT_EQ(platform::RegistryStore::current().setValue(key, name, type, data), 0);
    }
    int32_t set(const QString& name, const QString& value, int32_t type = 1, uint32_t root = HKEY_LOCAL_MACHINE)
    {
        return Reg_SetValue(root, look, name, value, type);
    }
    QString get(const QString& name, int32_t expectedCode = 0, uint32_t root = HKEY_LOCAL_MACHINE, QString path = {})
    {
        QString value = "stale";
        EXPECT_EQ(Reg_GetValue(root, path.isNull() ? look : path, name, value), expectedCode) << name.toStdString();
        return value;
    }
};

TEST_F(RegistryAccessTest, TextValuesComeBackAsStoredAndNumbersInSignedDecimal)
{
    EXPECT_EQ(set("Style", "15"), 0);
    EXPECT_EQ(get("style"), "15");
    store("Chemin", platform::REG_EXPAND_SZ, QByteArray("%ProgramFiles%\\Conv\0", 20));
    EXPECT_EQ(get("Chemin"), "%ProgramFiles%\\Conv");
    store("Negatif", platform::REG_DWORD, QByteArray("\xFB\xFF\xFF\xFF", 4)); // -5
    EXPECT_EQ(get("Negatif"), "-5");
    EXPECT_EQ(set("Compte", "-2147483648", 4), 0);
    EXPECT_EQ(get("Compte"), "-2147483648");
    EXPECT_EQ(set("Plein", "4294967295", 4), 0);
    EXPECT_EQ(get("Plein"), "-1");
    // A number no DWORD can hold is refused, never reported as written.
    EXPECT_NE(set("Trop", "4294967296", 4), 0);
    EXPECT_EQ(get("Trop"), QString());
    EXPECT_EQ(set("Accent", "Élysée"), 0);
    EXPECT_EQ(get("Accent"), "Élysée");
}

TEST_F(RegistryAccessTest, MissingKeysOrValuesEmptyValuesOtherTypesAndEmptyNamesGiveAnEmptyResult)
{
    // Reading under a missing key makes the key.
    EXPECT_EQ(get("Style", 0, HKEY_CURRENT_USER), QString());
    EXPECT_TRUE(readFile("Z:" + platform::paths::prefix() + "/user.reg").contains("Quillon"));
    EXPECT_EQ(get("Absente"), QString());
    EXPECT_EQ(set("Vide", QString()), 0);
    EXPECT_EQ(get("Vide"), QString());
    store("Binaire", 3, QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(get("Binaire", 234), QString());
    // An empty key path or value name is refused with 1010.
    EXPECT_EQ(get("Style", 1010, HKEY_CURRENT_USER, ""), QString());
    EXPECT_EQ(set(QString(), "1"), 1010);
    EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, QString(), "Style", "1", 1), 1010);
}

TEST_F(RegistryAccessTest, RootZeroFollowsThePlatformFamilyOfTheVersionRecord)
{
    // The record read at start-up decides, even when the system would now say otherwise.
    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install(facts);
    facts.version.platformId = 1;
    VersionOS.dwPlatformId = 2;
    EXPECT_EQ(set("Nt", "user", 1, 0), 0);
    EXPECT_EQ(get("Nt", 0, HKEY_CURRENT_USER), "user");
    EXPECT_EQ(get("Nt"), QString());
    facts.version.platformId = 2;
    VersionOS.dwPlatformId = 1;
    EXPECT_EQ(set("Neuf", "machine", 1, 0), 0);
    EXPECT_EQ(get("Neuf"), "machine");
    VersionOS.dwPlatformId = 0; // not read yet: no root, an invalid handle
    EXPECT_EQ(set("Autre", "x", 1, 0), 6);
    EXPECT_EQ(get("Nt", 6, 0), QString());
}

TEST_F(RegistryAccessTest, TheLogHeaderNamesTheThemeFromTheThemeManagerValue)
{
    const QString themes = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    auto themeLine = [] { return EnteteJourLog().filter("ActiveTheme: ").value(0); };
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinXP")); // a fresh prefix, as every current Windows
    Reg_SetValue(HKEY_CURRENT_USER, themes, "ThemeActive", "0", 1);
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinClassic"));
    Reg_SetValue(HKEY_CURRENT_USER, themes, "ThemeActive", "1", 1);
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinXP"));
}

} // namespace
} // namespace qn3::services
