#pragma once

#include "platform/installable.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

// Facts about the computer, as the Windows calls the program was written
// against give them: the version record, the Windows and system folders, the
// computer name, the local offset from UTC, the held modifier keys.
namespace qn3::platform {

// The extended version record (GetVersionExA with the 156-byte record) plus
// the two facts read beside it: the processor architecture
// (GetNativeSystemInfo) and the product type of GetProductInfo.
struct OsVersionInfo {
    uint32_t majorVersion = 6;
    uint32_t minorVersion = 2;
    uint32_t buildNumber = 9200;
    uint32_t platformId = 2; // 1 = 9x family, 2 = NT family
    QString csdVersion;      // service-pack text, empty for none
    uint16_t servicePackMajor = 0;
    uint16_t servicePackMinor = 0;
    uint16_t suiteMask = 0x100; // VER_SUITE_SINGLEUSERTS, as a desktop Windows reports
    uint8_t productType = 1;    // 1 workstation, 2 domain controller, 3 server
    uint16_t processorArchitecture = 0; // 0 x86, 5 ARM, 6 Itanium, 9 x64, 12 ARM64
    uint32_t productInfoType = 0x30;    // GetProductInfo: PRODUCT_PROFESSIONAL
    int32_t serverR2 = 0;               // GetSystemMetrics(SM_SERVERR2)
};

// Modifier-key mask bits, as a window's key event reports them.
namespace modifiers {
inline constexpr uint16_t Shift = 1;
inline constexpr uint16_t Ctrl = 2;
inline constexpr uint16_t Alt = 4;
} // namespace modifiers

// The mask of a Qt modifier set (QtCore's enum, so no window header is needed).
uint16_t modifierMask(Qt::KeyboardModifiers held);

class SystemFacts : public Installable<SystemFacts> {
public:
    virtual ~SystemFacts() = default;

    // The version record. Standard: the design's default (NT, 6.2 build 9200,
    // the version a program without a manifest sees on current Windows, no
    // service pack), with the architecture of the host processor, and any
    // value an administrator set in the registry store in its place
    // (os_version_overrides.h).
    virtual OsVersionInfo osVersion() = 0;

    // "C:\Windows" and "C:\Windows\System32", without trailing backslash. The
    // folders are named, not made: nothing of the program lives there.
    virtual QString windowsFolder() = 0;
    virtual QString systemFolder() = 0;

    // The host name before its first dot, upper case, at most 15 characters
    // (a NetBIOS name); "" when the host has no name.
    virtual QString computerName() = 0;

    // Local time minus UTC at `at`, in minutes, daylight saving included
    // (Paris: 60 in winter, 120 in summer): what turns a UTC file time into
    // local time by addition.
    virtual int32_t utcOffsetMinutes(const QDateTime& at) = 0;

    static SystemFacts& standard();
};

// The modifier keys held now. The standard answer is "none" (a headless
// machine has no keyboard); the engine installs one that asks Qt's GUI
// application, tests install a double.
class KeyboardState : public Installable<KeyboardState> {
public:
    virtual ~KeyboardState() = default;
    virtual Qt::KeyboardModifiers heldModifiers() = 0;

    static KeyboardState& standard();
};

} // namespace qn3::platform
