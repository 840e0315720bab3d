#include "platform/special_folders.h"
#include "platform/system_facts.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class FixedFacts final : public platform::SystemFacts {
public:
    platform::OsVersionInfo version;
    platform::OsVersionInfo osVersion() override { return version; }
    QString windowsFolder() override { return QStringLiteral("D:\\WINNT"); }
    QString systemFolder() override { return QStringLiteral("D:\\WINNT\\system32"); }
    QString computerName() override { return QStringLiteral("STUDIO-A"); }
    int32_t utcOffsetMinutes(const QDateTime&) override { return 0; }
};

class OsFactsTest : public testing::ServicesTest {
protected:
    OsFactsTest() { CodeVersionWindows = 0; }
    ~OsFactsTest() override { CodeVersionWindows = 0; }

    FixedFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install{facts};
};

struct VersionRow {
    uint32_t major, minor, build;
    uint16_t architecture;
    uint8_t productType;
    uint16_t suite;
    uint32_t productInfo;
    int32_t serverR2;
    const char* servicePack;
    const char* text;
    int32_t code; // 0: left as it was
};

constexpr uint16_t x86 = 0, ia64 = 6, x64 = 9, arm = 5;

TEST_F(OsFactsTest, VersionTable)
{
    const VersionRow rows[] = {
        {6, 2, 9200, x64, 1, 0x100, 0x30, 0, "", "Microsoft Windows 10 , 64-bit  (build 9200)", 10},
        {6, 3, 9600, x86, 1, 0, 0, 0, "", "Microsoft Windows 8.1 , 32-bit  (build 9600)", 8},
        {6, 2, 9000, arm, 1, 0, 0, 0, "", "Microsoft Windows 8   (build 9000)", 8},
        {6, 1, 7601, x64, 1, 0x100, 0, 0, "Service Pack 1", "Microsoft Windows 7 Professional, 64-bit Service Pack 1 (build 7601)", 7},
        {6, 1, 7600, x86, 1, 0x300, 0, 0, "", "Microsoft Windows 7 Home Edition, 32-bit  (build 7600)", 7},
        {6, 0, 6002, x86, 1, 0, 1, 0, "Service Pack 2", "Microsoft Windows Vista Ultimate Edition, 32-bit Service Pack 2 (build 6002)", 6},
        {6, 0, 6001, x64, 1, 0, 0x30, 0, "", "Microsoft Windows Vista , 64-bit  (build 6001)", 6},
        {6, 0, 6001, x64, 3, 0, 12, 0, "", "Microsoft Windows Server 2008 Datacenter Edition (core installation), 64-bit  (build 6001)", 6},
        {6, 0, 6001, ia64, 3, 0, 15, 0, "", "Microsoft Windows Server 2008 Enterprise Edition for Itanium-based Systems  (build 6001)", 6},
        {6, 0, 6000, x86, 1, 0, 25, 0, "", "Microsoft Windows Vista Small Business Server Premium Edition, 32-bit  (build 6000)", 6},
        {5, 2, 3790, x86, 3, 0, 0, 1, "", "Microsoft Windows Server 2003 R2, Standard Edition  (build 3790)", 2003},
        {5, 2, 3790, x86, 3, 0x2000, 0, 0, "", "Microsoft Windows Storage Server 2003Standard Edition  (build 3790)", 2003},
        {5, 2, 3790, x86, 3, 0x2002, 0, 0, "", "Microsoft Windows Server 2003, Enterprise Edition  (build 3790)", 2003},
        {5, 2, 3790, x64, 1, 0, 0, 0, "Service Pack 2", "Microsoft Windows XP Professional x64 Edition Service Pack 2 (build 3790)", 2003},
        {5, 2, 3790, x64, 3, 0x80, 0, 0, "", "Microsoft Windows Server 2003, Datacenter x64 Edition  (build 3790)", 2003},
        {5, 2, 3790, x64, 3, 0x2, 0, 0, "", "Microsoft Windows Server 2003, Enterprise x64 Edition  (build 3790)", 2003},
        {5, 2, 3790, x64, 3, 0, 0, 0, "", "Microsoft Windows Server 2003, Standard x64 Edition  (build 3790)", 2003},
        {5, 2, 3790, ia64, 3, 0x80, 0, 0, "", "Microsoft Windows Server 2003, Datacenter Edition for Itanium-based Systems  (build 3790)", 2003},
        {5, 2, 3790, ia64, 3, 0x2, 0, 0, "", "Microsoft Windows Server 2003, Enterprise Edition for Itanium-based Systems  (build 3790)", 2003},
        {5, 2, 3790, ia64, 3, 0, 0, 0, "", "Microsoft Windows Server 2003,   (build 3790)", 2003},
        {5, 2, 3790, x86, 3, 0x4082, 0, 0, "", "Microsoft Windows Server 2003, Compute Cluster Edition  (build 3790)", 2003},
        {5, 2, 3790, x86, 3, 0x82, 0, 0, "", "Microsoft Windows Server 2003, Datacenter Edition  (build 3790)", 2003},
        {5, 2, 3790, x86, 3, 0x400, 0, 0, "", "Microsoft Windows Server 2003, Web Edition  (build 3790)", 2003},
        {5, 1, 2600, x86, 1, 0x200, 0, 0, "Service Pack 3", "Microsoft Windows XP Home Edition Service Pack 3 (build 2600)", 5},
        {5, 1, 2600, x86, 1, 0, 0, 0, "", "Microsoft Windows XP Professional  (build 2600)", 5},
        {5, 0, 2195, x86, 1, 0x80, 0, 0, "", "Microsoft Windows 2000 Professional  (build 2195)", 2000},
        {5, 0, 2195, x86, 3, 0x82, 0, 0, "", "Microsoft Windows 2000 Datacenter Server  (build 2195)", 2000},
        {5, 0, 2195, x86, 3, 0x2, 0, 0, "", "Microsoft Windows 2000 Advanced Server  (build 2195)", 2000},
        {5, 0, 2195, x86, 3, 0, 0, 0, "", "Microsoft Windows 2000 Server  (build 2195)", 2000},
        // NT versions the table does not name: the tail only, the code unchanged.
        {10, 0, 19045, x64, 1, 0, 0, 0, "", "Microsoft   (build 19045)", 0},
        {5, 3, 1, x86, 1, 0, 0, 0, "", "Microsoft   (build 1)", 0},
    };
    for (const VersionRow& row : rows) {
        facts.version = {};
        facts.version.majorVersion = row.major;
        facts.version.minorVersion = row.minor;
        facts.version.buildNumber = row.build;
        facts.version.processorArchitecture = row.architecture;
        facts.version.productType = row.productType;
        facts.version.suiteMask = row.suite;
        facts.version.productInfoType = row.productInfo;
        facts.version.serverR2 = row.serverR2;
        facts.version.csdVersion = QString::fromUtf8(row.servicePack);
        CodeVersionWindows = 77;
        EXPECT_EQ(GetOSDisplayString(), QString::fromUtf8(row.text)) << row.text;
        EXPECT_EQ(CodeVersionWindows, row.code ? row.code : 77) << row.text;
    }
}

TEST_F(OsFactsTest, OlderOrNonNtVersionsGiveNothingAndKeepTheCode)
{
    facts.version.platformId = 1;
    CodeVersionWindows = 7;
    EXPECT_EQ(GetOSDisplayString(), QString());
    facts.version.platformId = 2;
    facts.version.majorVersion = 4;
    EXPECT_EQ(GetOSDisplayString(), QString());
    EXPECT_EQ(CodeVersionWindows, 7);
}

TEST_F(OsFactsTest, ServicePackTextStopsAtItsNul)
{
    facts.version.csdVersion = QStringLiteral("Service Pack 1") + QChar(0) + QStringLiteral("junk");
    EXPECT_TRUE(GetOSDisplayString().endsWith(QStringLiteral(" Service Pack 1 (build 9200)")));
    VersionOSRecord record;
    ASSERT_TRUE(GetVersionExA(record));
    EXPECT_EQ(record.dwPlatformId, 2);
    EXPECT_EQ(record.dwBuildNumber, 9200);
    EXPECT_EQ(record.szCSDVersion, QStringLiteral("Service Pack 1"));
}

TEST_F(OsFactsTest, FoldersAndNameComeFromTheSystemFacts)
{
    EXPECT_EQ(GetWinDir(), QStringLiteral("D:\\WINNT"));
    EXPECT_EQ(GetWinSysDir(), QStringLiteral("D:\\WINNT\\system32"));
    EXPECT_EQ(ComputerName(), QStringLiteral("STUDIO-A"));
    EXPECT_EQ(GetSpecialFolderLocation(platform::csidl::ProgramFiles), QStringLiteral("C:\\Program Files"));
    EXPECT_TRUE(GetSpecialFolderLocation(platform::csidl::Startup).endsWith(QStringLiteral("\\Startup")));
    EXPECT_EQ(GetSpecialFolderLocation(12345), QString());
    EXPECT_TRUE(Frm_Main().ListeLogTemp.lines().isEmpty());
}

TEST_F(OsFactsTest, TouchesEnfonceesReadsTheKeyReleaseMask)
{
    TouchesEnfoncees(3);
    EXPECT_EQ(ToucheCtrl, -1);
    EXPECT_EQ(ToucheShift, -1);
    EXPECT_EQ(ToucheAlt, 0);
    TouchesEnfoncees(4);
    EXPECT_EQ(ToucheCtrl, 0);
    EXPECT_EQ(ToucheShift, 0);
    EXPECT_EQ(ToucheAlt, -1);
}

} // namespace
} // namespace qn3::services
