#pragma once

#include <QString>

#include <cstdint>

// The Windows special folders, by their CSIDL number, as this machine's
// Windows view lays them out: the user's below C:\users\<user>\, programs
// below C:\Program Files. The user is the login name.
namespace qn3::platform {

namespace csidl {
inline constexpr int32_t Desktop = 0;
inline constexpr int32_t Programs = 2;
inline constexpr int32_t Personal = 5;
inline constexpr int32_t Startup = 7;
inline constexpr int32_t StartMenu = 11;
inline constexpr int32_t DesktopDirectory = 16;
inline constexpr int32_t AppData = 26;
inline constexpr int32_t LocalAppData = 28;
inline constexpr int32_t CommonAppData = 35;
inline constexpr int32_t Windows = 36;
inline constexpr int32_t System = 37;
inline constexpr int32_t ProgramFiles = 38;
} // namespace csidl

// The folder's Windows path, without a trailing backslash; the folder is
// made when missing, as it exists on any Windows machine. Throws
// RuntimeError 5 for a number this machine does not know.
QString specialFolder(int32_t csidlNumber);

} // namespace qn3::platform
