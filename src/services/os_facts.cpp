#include "services/os_facts.h"

#include "platform/runtime_error.h"
#include "platform/special_folders.h"
#include "platform/system_facts.h"
#include "services/trap.h"

#include <array>
#include <utility>

// Map of this file:
//   Names of the versions  the edition tables, the architecture suffix, one
//                          function per table row family
//   Public procedures

namespace qn3::services {
namespace {

using platform::OsVersionInfo;

constexpr int kPlatformNt = 2;
constexpr uint8_t kWorkstation = 1;
constexpr uint16_t kArchitectureX86 = 0;
constexpr uint16_t kArchitectureItanium = 6;
constexpr uint16_t kArchitectureX64 = 9;

constexpr uint32_t kSuiteEnterprise = 0x2;
constexpr uint32_t kSuiteDatacenter = 0x80;
constexpr uint32_t kSuiteHome = 0x200;
constexpr uint32_t kSuiteBlade = 0x400;
constexpr uint32_t kSuiteStorageServer = 0x2000;
constexpr uint32_t kSuiteComputeServer = 0x4000;

constexpr int kServicePackLength = 128;

// ---- Names of the versions ---------------------------------------------------

// The editions GetProductInfo names for version 6.0.
QString editionOfProductType(uint32_t type)
{
    static const std::array<std::pair<uint32_t, const char16_t*>, 17> editions = {{
        {1, u"Ultimate Edition"},
        {2, u"Home Basic Edition"},
        {3, u"Home Premium Edition"},
        {4, u"Enterprise Edition"},
        {6, u"Business Edition"},
        {7, u"Standard Edition"},
        {8, u"Datacenter Edition"},
        {9, u"Small Business Server"},
        {10, u"Enterprise Edition"},
        {11, u"Starter Edition"},
        {12, u"Datacenter Edition (core installation)"},
        {13, u"Standard Edition (core installation)"},
        {14, u"Enterprise Edition (core installation)"},
        {15, u"Enterprise Edition for Itanium-based Systems"},
        {17, u"Web Server Edition"},
        {18, u"Cluster Server Edition"},
        {25, u"Small Business Server Premium Edition"},
    }};
    for (const auto& [code, name] : editions) {
        if (code == type)
            return QString::fromUtf16(name);
    }
    return {};
}

QString architectureSuffix(uint16_t architecture)
{
    if (architecture == kArchitectureX64)
        return QStringLiteral(", 64-bit");
    if (architecture == kArchitectureX86)
        return QStringLiteral(", 32-bit");
    return {};
}

QString homeOrProfessional(uint32_t suite)
{
    return (suite & kSuiteHome) ? QStringLiteral("Home Edition") : QStringLiteral("Professional");
}

QString windowsServer2003(const OsVersionInfo& v)
{
    QString text;
    if (v.serverR2 != 0)
        text = QStringLiteral("Windows Server 2003 R2, ");
    else if (v.suiteMask == kSuiteStorageServer)
        text = QStringLiteral("Windows Storage Server 2003");
    else if (v.productType == kWorkstation && v.processorArchitecture == kArchitectureX64)
        text = QStringLiteral("Windows XP Professional x64 Edition");
    else
        text = QStringLiteral("Windows Server 2003, ");

    if (v.productType == kWorkstation)
        return text;
    const uint32_t suite = v.suiteMask;
    if (v.processorArchitecture == kArchitectureItanium) {
        if (suite & kSuiteDatacenter)
            text += QStringLiteral("Datacenter Edition for Itanium-based Systems");
        else if (suite & kSuiteEnterprise)
            text += QStringLiteral("Enterprise Edition for Itanium-based Systems");
    } else if (v.processorArchitecture == kArchitectureX64) {
        if (suite & kSuiteDatacenter)
            text += QStringLiteral("Datacenter x64 Edition");
        else if (suite & kSuiteEnterprise)
            text += QStringLiteral("Enterprise x64 Edition");
        else
            text += QStringLiteral("Standard x64 Edition");
    } else if (suite & kSuiteComputeServer) {
        text += QStringLiteral("Compute Cluster Edition");
    } else if (suite & kSuiteDatacenter) {
        text += QStringLiteral("Datacenter Edition");
    } else if (suite & kSuiteEnterprise) {
        text += QStringLiteral("Enterprise Edition");
    } else if (suite & kSuiteBlade) {
        text += QStringLiteral("Web Edition");
    } else {
        text += QStringLiteral("Standard Edition");
    }
    return text;
}

QString windows2000(const OsVersionInfo& v)
{
    QString text = QStringLiteral("Windows 2000 ");
    if (v.productType == kWorkstation)
        return text + QStringLiteral("Professional");
    if (v.suiteMask & kSuiteDatacenter)
        return text + QStringLiteral("Datacenter Server");
    if (v.suiteMask & kSuiteEnterprise)
        return text + QStringLiteral("Advanced Server");
    return text + QStringLiteral("Server");
}

struct Named {
    QString name;
    int32_t code = 0; // 0: the row leaves CodeVersionWindows as it is
};

// The first row of the version table that matches.
Named nameOf(const OsVersionInfo& v)
{
    const uint32_t major = v.majorVersion;
    const uint32_t minor = v.minorVersion;
    const QString suffix = architectureSuffix(v.processorArchitecture);
    if (major == 6 && minor == 2 && v.buildNumber == 9200)
        return {QStringLiteral("Windows 10 ") + suffix, 10};
    if (major == 6 && minor == 3)
        return {QStringLiteral("Windows 8.1 ") + suffix, 8};
    if (major == 6 && minor == 2)
        return {QStringLiteral("Windows 8 ") + suffix, 8};
    if (major == 6 && minor == 1)
        return {QStringLiteral("Windows 7 ") + homeOrProfessional(v.suiteMask) + suffix, 7};
    if (major == 6 && minor == 0) {
        const QString family = v.productType == kWorkstation ? QStringLiteral("Windows Vista ")
                                                             : QStringLiteral("Windows Server 2008 ");
        return {family + editionOfProductType(v.productInfoType) + suffix, 6};
    }
    if (major == 5 && minor == 2)
        return {windowsServer2003(v), 2003};
    if (major == 5 && minor == 1)
        return {QStringLiteral("Windows XP ") + homeOrProfessional(v.suiteMask), 5};
    if (major == 5 && minor == 0)
        return {windows2000(v), 2000};
    return {};
}

// The service-pack text as the record holds it: up to its first NUL, within
// the record's 128 characters.
QString servicePackText(const QString& csd)
{
    const qsizetype nul = csd.indexOf(QChar(0));
    return csd.left(nul >= 0 ? nul : csd.size()).left(kServicePackLength - 1);
}

} // namespace

// ---- Public procedures -------------------------------------------------------

bool GetVersionExA(VersionOSRecord& Version)
{
    bool done = false;
    Trap trap(u"Lib_Systeme:GetVersionExA");
    trap([&] {
        const OsVersionInfo v = platform::SystemFacts::current().osVersion();
        Version.dwOSVersionInfoSize = 148;
        Version.dwMajorVersion = int32_t(v.majorVersion);
        Version.dwMinorVersion = int32_t(v.minorVersion);
        Version.dwBuildNumber = int32_t(v.buildNumber);
        Version.dwPlatformId = int32_t(v.platformId);
        Version.szCSDVersion = servicePackText(v.csdVersion);
        done = true;
    });
    return done;
}

QString GetOSDisplayString()
{
    QString text;
    Trap trap(u"Lib_Systeme:GetOSDisplayString");
    trap([&] {
        const OsVersionInfo v = platform::SystemFacts::current().osVersion();
        if (v.platformId != kPlatformNt || v.majorVersion <= 4)
            return;
        const Named named = nameOf(v);
        if (named.code != 0)
            CodeVersionWindows = named.code;
        text = QStringLiteral("Microsoft ") + named.name + u' ' + servicePackText(v.csdVersion) +
               QStringLiteral(" (build ") + QString::number(v.buildNumber) + u')';
    });
    return text;
}

QString GetWinDir()
{
    QString folder;
    Trap trap(u"Lib_Systeme:GetWinDir");
    trap([&] { folder = platform::SystemFacts::current().windowsFolder(); });
    return folder;
}

QString GetWinSysDir()
{
    QString folder;
    Trap trap(u"Lib_Systeme:GetWinSysDir");
    trap([&] { folder = platform::SystemFacts::current().systemFolder(); });
    return folder;
}

QString GetSpecialFolderLocation(int32_t CSIDL)
{
    QString folder;
    Trap trap(u"Lib_Systeme:GetSpecialFolderLocation");
    trap([&] {
        try {
            folder = platform::specialFolder(CSIDL);
        } catch (const platform::RuntimeError&) {
            folder.clear(); // the shell does not know the folder: an answer, not a fault
        }
    });
    return folder;
}

QString ComputerName()
{
    QString name;
    Trap trap(u"Lib_Systeme:ComputerName");
    trap([&] { name = platform::SystemFacts::current().computerName(); });
    return name;
}

void TouchesEnfoncees(int16_t Shift)
{
    const auto held = [Shift](uint16_t bit) -> int16_t { return (Shift & bit) ? -1 : 0; };
    ToucheCtrl = held(platform::modifiers::Ctrl);
    ToucheAlt = held(platform::modifiers::Alt);
    ToucheShift = held(platform::modifiers::Shift);
}

} // namespace qn3::services
