#pragma once

#include <cstdint>
#include <string>

// Where a record file named in a key buffer lives on this machine.
namespace qn3::recordmanager {

// The host path of the Windows path at the start of `keyBuffer`: its bytes in
// the ANSI code page up to the first NUL within `keyLength` bytes, or up to
// `keyLength`, trailing blanks removed (blanks inside belong to the name:
// "C:\Radio Data\FRAD000.bt6"), mapped through the platform's path mapping
// (which finds names whatever their case). The name must end inside the
// buffer, at a NUL or with blanks up to `keyLength`: a name that fills it may
// go on past it and is refused rather than cut, since two long names cut
// alike would name one file. A `keyLength` of 0 or less is refused without a
// look at the buffer. Statuses: 0 and `out` set, 11 no end within the buffer
// or no length, 12 no name or one that cannot be mapped.
int16_t hostPathOfKey(const void* keyBuffer, int16_t keyLength, std::string& out);

} // namespace qn3::recordmanager
