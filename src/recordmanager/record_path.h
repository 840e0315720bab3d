#pragma once

#include <string>

// Where a record file named in a key buffer lives on this machine.
namespace qn3::recordmanager {

// The host path of the Windows path at the start of `keyBuffer`: its bytes in
// the ANSI code page up to the first blank or NUL, at most `limit` bytes,
// mapped through the platform's path mapping (which finds names whatever
// their case). Empty when there is no name or it cannot be mapped.
std::string hostPathOfKey(const void* keyBuffer, int limit);

} // namespace qn3::recordmanager
