#include "platform/registry_store.h"
#include "platform/windows_path.h"
#include "services/log_header.h"
#include "services/os_facts.h"
#include "services/registry_access.h"
#include "support/services_fixture.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

class RegistryAccessTest : public testing::ServicesTest {
protected:
    const QString look = "Software\\Sonvarek\\Quillon\\Look";

    // Stores a value of any type straight into the registry.
    void store(uint32_t root, const QString& path, const QString& name, uint32_t type, const QByteArray& data)
    {
        platform::RegistryKey key;
        ASSERT_EQ(platform::RegistryStore::current().createKey(root, path, key), 0);
        ASSERT_EQ(platform::RegistryStore::current().setValue(key, name, type, data), 0);
    }
    static QByteArray dword(int32_t value)
    {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    }
    QString get(uint32_t root, const QString& path, const QString& name, int32_t expectedCode = 0)
    {
        QString value = "stale";
        EXPECT_EQ(Reg_GetValue(root, path, name, value), expectedCode) << name.toStdString();
        return value;
    }
};

TEST_F(RegistryAccessTest, ReadingUnderAMissingKeyMakesTheKeyAndGivesNothing)
{
    EXPECT_EQ(get(HKEY_CURRENT_USER, look, "Style"), QString());
    QFile hive(platform::paths::prefix() + "/user.reg");
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    EXPECT_TRUE(hive.readAll().contains("Quillon")) << "the key was not saved in the hive";
}

TEST_F(RegistryAccessTest, TextValuesComeBackAsStoredAndNumbersInSignedDecimal)
{
    EXPECT_EQ(Reg_SetValue(HKEY_LOCAL_MACHINE, look, "Style", "15", 1), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "style"), "15");
    store(HKEY_LOCAL_MACHINE, look, "Chemin", platform::REG_EXPAND_SZ, QByteArray("%ProgramFiles%\\Conv\0", 20));
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Chemin"), "%ProgramFiles%\\Conv");
    store(HKEY_LOCAL_MACHINE, look, "Negatif", platform::REG_DWORD, dword(-5));
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Negatif"), "-5");
    EXPECT_EQ(Reg_SetValue(HKEY_LOCAL_MACHINE, look, "Compte", "-2147483648", 4), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Compte"), "-2147483648");
    EXPECT_EQ(Reg_SetValue(HKEY_LOCAL_MACHINE, look, "Plein", "4294967295", 4), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Plein"), "-1");
    // A number no DWORD can hold is refused, never reported as written.
    EXPECT_NE(Reg_SetValue(HKEY_LOCAL_MACHINE, look, "Trop", "4294967296", 4), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Trop"), QString());
    EXPECT_EQ(Reg_SetValue(HKEY_LOCAL_MACHINE, look, "Accent", "Élysée", 1), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Accent"), "Élysée");
}

TEST_F(RegistryAccessTest, MissingEmptyAndOtherTypesGiveAnEmptyResult)
{
    EXPECT_EQ(get(HKEY_CURRENT_USER, look, "Absente"), QString());
    EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, look, "Vide", QString(), 1), 0);
    EXPECT_EQ(get(HKEY_CURRENT_USER, look, "Vide"), QString());
    store(HKEY_CURRENT_USER, look, "Binaire", 3, QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(get(HKEY_CURRENT_USER, look, "Binaire", 234), QString());
}

TEST_F(RegistryAccessTest, EmptyKeyPathOrValueNameIsRefusedWith1010)
{
    EXPECT_EQ(get(HKEY_CURRENT_USER, QString(), "Style", 1010), QString());
    EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, look, QString(), "1", 1), 1010);
    EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, QString(), "Style", "1", 1), 1010);
}

TEST_F(RegistryAccessTest, RootZeroFollowsThePlatformFamilyOfTheVersionRecord)
{
    // The record read at start-up decides, even when the system would now say otherwise.
    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install(facts);
    facts.version.platformId = 1;
    VersionOS.dwPlatformId = 2;
    EXPECT_EQ(Reg_SetValue(0, look, "Nt", "user", 1), 0);
    EXPECT_EQ(get(HKEY_CURRENT_USER, look, "Nt"), "user");
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Nt"), QString());
    facts.version.platformId = 2;
    VersionOS.dwPlatformId = 1;
    EXPECT_EQ(Reg_SetValue(0, look, "Neuf", "machine", 1), 0);
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, look, "Neuf"), "machine");
    VersionOS.dwPlatformId = 0; // not read yet
    EXPECT_NE(Reg_SetValue(0, look, "Autre", "x", 1), 0);
    QString value = "stale";
    EXPECT_NE(Reg_GetValue(0, look, "Nt", value), 0);
    EXPECT_EQ(value, QString());
}

TEST_F(RegistryAccessTest, TheLogHeaderNamesTheThemeFromTheThemeManagerValue)
{
    const QString themes = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    auto themeLine = [] { return EnteteJourLog().filter("ActiveTheme: ").value(0); };
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinClassic"));
    Reg_SetValue(HKEY_CURRENT_USER, themes, "ThemeActive", "1", 1);
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinXP"));
    Reg_SetValue(HKEY_CURRENT_USER, themes, "ThemeActive", "0", 1);
    EXPECT_TRUE(themeLine().endsWith("ActiveTheme: WinClassic"));
}

} // namespace
} // namespace qn3::services
