#pragma once

#include <cstdint>

// The Windows system error codes the profile and registry stand-ins return,
// with the values callers compare against (GetLastError and the registry
// functions' results).
namespace qn3::platform::win_error {

inline constexpr uint32_t Success = 0;
inline constexpr uint32_t FileNotFound = 2;
inline constexpr uint32_t PathNotFound = 3;
inline constexpr uint32_t AccessDenied = 5;
inline constexpr uint32_t InvalidHandle = 6;
inline constexpr uint32_t WriteFault = 29;
inline constexpr uint32_t InvalidParameter = 87;
inline constexpr uint32_t DiskFull = 112;
inline constexpr uint32_t InvalidName = 123;
inline constexpr uint32_t BadPathname = 161;
inline constexpr uint32_t MoreData = 234;
inline constexpr uint32_t BadKey = 1010;
inline constexpr uint32_t RegistryIoFailed = 1016;
inline constexpr uint32_t KeyDeleted = 1018;

// The code for a failed file system call (EACCES -> 5, ENOSPC -> 112, ...).
uint32_t fromErrno(int errnoValue);

} // namespace qn3::platform::win_error
