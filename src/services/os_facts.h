#pragma once

#include <QString>

#include <cstdint>

// Facts about the computer: which Windows it is, its folders, its name, the
// modifier keys held at the last key release.
namespace qn3::services {

// The Windows generation: 0 until GetOSDisplayString recognised the version,
// then 2000, 5 (XP), 2003 (5.2), 6 (Vista, Server 2008), 7, 8 (6.2 other than
// build 9200, and 6.3) or 10 (6.2 build 9200). Never reset.
inline int32_t CodeVersionWindows = 0;

// The basic version record (GetVersionExA with the 148-byte record). Readers
// use only the platform id: 1 Windows 9x family, 2 NT family; 0 = not read.
struct VersionOSRecord {
    int32_t dwOSVersionInfoSize = 148;
    int32_t dwMajorVersion = 0;
    int32_t dwMinorVersion = 0;
    int32_t dwBuildNumber = 0;
    int32_t dwPlatformId = 0;
    QString szCSDVersion; // at most 128 characters
};

inline VersionOSRecord VersionOS;

// Fills `Version` from the system's version record; true when it could.
bool GetVersionExA(VersionOSRecord& Version);

// The modifier keys of the last key release, True = -1.
inline int16_t ToucheCtrl = 0;
inline int16_t ToucheAlt = 0;
inline int16_t ToucheShift = 0;

// "Microsoft Windows 7 Professional, 64-bit Service Pack 1 (build 7601)":
// "Microsoft ", the name of the version (a fixed table), " ", the service
// pack and " (build n)"; sets CodeVersionWindows. "" for a version record that
// is not of the NT family or older than version 5.
QString GetOSDisplayString();

// "C:\Windows" and "C:\Windows\System32", no trailing backslash.
QString GetWinDir();
QString GetWinSysDir();

// The path of a special folder by its CSIDL number (7 Startup, 38 Program
// Files, ...), no trailing backslash; "" for a number this machine does not know.
QString GetSpecialFolderLocation(int32_t CSIDL);

// The computer's NetBIOS name.
QString ComputerName();

// Sets ToucheCtrl (mask bit 2), ToucheAlt (4) and ToucheShift (1) from the
// mask a key-release event reports.
void TouchesEnfoncees(int16_t Shift);

} // namespace qn3::services
