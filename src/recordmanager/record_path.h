#pragma once

#include <cstdint>
#include <string>

// Where a record file named in a key buffer lives on this machine.
namespace qn3::recordmanager {

// The host path of the Windows path at the start of `keyBuffer`: its bytes in
// the ANSI code page up to the first blank or NUL, mapped through the
// platform's path mapping (which finds names whatever their case). The name
// must end within the key buffer, `keyLength` bytes (255 when the caller
// gives 0 or less): a longer one is refused rather than cut, since two long
// names cut alike would name one file. Statuses: 0 and `out` set, 11 no end
// within the buffer, 12 no name or one that cannot be mapped.
int16_t hostPathOfKey(const void* keyBuffer, int16_t keyLength, std::string& out);

} // namespace qn3::recordmanager
