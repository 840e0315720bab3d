#pragma once

#include "platform/registry_store.h"
#include "platform/system_facts.h"

// The version record an administrator sets in the registry store, for a
// machine that must tell the program it runs on a given Windows (the record
// decides how settings files are made and what the day's log header says).
//
// Values of HKEY_LOCAL_MACHINE "Software\Microsoft\Windows NT\CurrentVersion"
// (docs/system-facts.md), each REG_DWORD or REG_SZ holding a decimal (or
// "0x" hexadecimal) number, except CSDVersion which is text:
//   CurrentMajorVersionNumber, CurrentMinorVersionNumber, CurrentBuildNumber,
//   CSDVersion (Windows' own names), and Qn3PlatformId, Qn3ServicePackMajor,
//   Qn3ServicePackMinor, Qn3SuiteMask, Qn3ProductType,
//   Qn3ProcessorArchitecture, Qn3ProductInfoType, Qn3ServerR2.
// A value that is missing, of another type or not a number leaves the
// default as it is.
namespace qn3::platform {

inline constexpr char16_t kCurrentVersionKey[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion";

// `defaults` with every value set under the key put in its place.
OsVersionInfo withRegistryOverrides(OsVersionInfo defaults, RegistryStore& store);

} // namespace qn3::platform
