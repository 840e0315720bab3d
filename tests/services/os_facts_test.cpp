#include "platform/special_folders.h"
#include "platform/system_facts.h"
#include "services/gmt_offset.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

namespace qn3::services {
namespace {

// Folders and a name no real system here would give.
struct FixedFacts final : platform::SystemFacts {
    platform::OsVersionInfo version;
    platform::OsVersionInfo osVersion() override { return version; }
    QString windowsFolder() override { return "D:\\WINNT"; }
    QString systemFolder() override { return "D:\\WINNT\\system32"; }
    QString computerName() override { return "STUDIO-A"; }
    int32_t utcOffsetMinutes(const QDateTime&) override { return 0; }
};

struct OsFactsTest : testing::ServicesTest {
    OsFactsTest() { CodeVersionWindows = 0; }
    ~OsFactsTest() override { CodeVersionWindows = 0; }

    FixedFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install{facts};
};

constexpr uint16_t x86 = 0, ia64 = 6, x64 = 9, arm = 5;

TEST_F(OsFactsTest, VersionTable)
{
    const struct {
        uint32_t major, minor, build;
        uint16_t architecture;
        uint8_t productType;
        uint16_t suite;
        uint32_t productInfo;
        int32_t serverR2;
        const char *servicePack, *text;
        int32_t code; // 0: left as it was
    } rows[] = {
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
    for (const auto& row : rows) {
        facts.version = {.majorVersion = row.major, .minorVersion = row.minor, .buildNumber = row.build,
                         .csdVersion = row.servicePack, .suiteMask = row.suite, .productType = row.productType,
                         .processorArchitecture = row.architecture, .productInfoType = row.productInfo,
                         .serverR2 = row.serverR2};
        CodeVersionWindows = 77;
        EXPECT_EQ(GetOSDisplayString(), row.text) << row.text;
        EXPECT_EQ(CodeVersionWindows, row.code ? row.code : 77) << row.text;
    }
}

TEST_F(OsFactsTest, OlderOrNonNtVersionsGiveNothingAndKeepTheCodeAndAServicePackStopsAtItsNul)
{
    facts.version.platformId = 1;
    CodeVersionWindows = 7;
    EXPECT_EQ(GetOSDisplayString(), QString());
    facts.version.platformId = 2;
    facts.version.majorVersion = 4;
    EXPECT_EQ(GetOSDisplayString(), QString());
    EXPECT_EQ(CodeVersionWindows, 7);

    facts.version = {};
    facts.version.csdVersion = QString("Service Pack 1") + QChar(0) + "junk";
    EXPECT_TRUE(GetOSDisplayString().endsWith(" Service Pack 1 (build 9200)"));
    VersionOSRecord record;
    ASSERT_TRUE(GetVersionExA(record));
    EXPECT_EQ(std::tuple(record.dwPlatformId, record.dwBuildNumber, record.szCSDVersion),
              std::tuple(2, 9200, QString("Service Pack 1")));
}

TEST_F(OsFactsTest, FoldersAndNameComeFromTheSystemFacts)
{
    EXPECT_EQ(GetWinDir() + u'|' + GetWinSysDir() + u'|' + ComputerName(), "D:\\WINNT|D:\\WINNT\\system32|STUDIO-A");
    EXPECT_EQ(GetSpecialFolderLocation(platform::csidl::ProgramFiles), "C:\\Program Files");
    EXPECT_TRUE(GetSpecialFolderLocation(platform::csidl::Startup).endsWith("\\Startup"));
    EXPECT_EQ(GetSpecialFolderLocation(12345), QString());
    EXPECT_TRUE(Frm_Main().ListeLogTemp.lines().isEmpty());
}

TEST_F(OsFactsTest, TouchesEnfonceesReadsTheKeyReleaseMask)
{
    TouchesEnfoncees(3);
    EXPECT_EQ(std::tuple(ToucheCtrl, ToucheShift, ToucheAlt), std::tuple(-1, -1, 0));
    TouchesEnfoncees(4);
    EXPECT_EQ(std::tuple(ToucheCtrl, ToucheShift, ToucheAlt), std::tuple(0, 0, -1));
}

struct GmtOffsetTest : testing::ServicesTest {
    testing::FixedSystemFacts facts;
    platform::ScopedInstall<platform::SystemFacts> install{facts};
};

TEST_F(GmtOffsetTest, TheOffsetOfNowIsRememberedUntilARecalculationAndAFailureGivesZero)
{
    facts.offsetMinutes = 120;
    EXPECT_EQ(GetGMTOffSet(false), 120);
    EXPECT_EQ(facts.lastAskedAt, clock.now);
    facts.offsetMinutes = 60;
    EXPECT_EQ(GetGMTOffSet(false), 120);
    EXPECT_EQ(facts.offsetQuestions, 1);
    EXPECT_EQ(GetGMTOffSet(true), 60);
    EXPECT_EQ(GetGMTOffSet(false), 60);
    EXPECT_EQ(facts.offsetQuestions, 2);

    // A type mismatch is only traced and zero remembered; other failures go to the error routine.
    facts.offsetError = 13;
    EXPECT_EQ(GetGMTOffSet(true), 0);
    EXPECT_EQ(traced(), QStringList("Err: 13 (Type incompatible) |Source: Lib_Systeme:GetGMTOffSet:1"));
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 0);
    facts.offsetError = 0;
    EXPECT_EQ(GetGMTOffSet(false), 0);

    facts.offsetError = 5;
    EXPECT_EQ(GetGMTOffSet(true), 0);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    EXPECT_TRUE(traced().join(u'\n').contains("Err:5 (") && traced().join(u'\n').contains("Lib_Systeme:GetGMTOffSet"));
}

} // namespace
} // namespace qn3::services
