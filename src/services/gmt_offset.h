#pragma once

#include <cstdint>

// The local time's offset from UTC.
namespace qn3::services {

// Local time minus UTC now, in minutes, daylight saving included (Paris: 60
// in winter, 120 in summer; Sydney: 600 in winter, 660 in summer). Computed on
// the first call and remembered for the run; `Recalcul` True computes it
// again. When the time zone cannot be read the offset is 0, remembered too.
int16_t GetGMTOffSet(bool Recalcul);

// Test only: forgets the remembered offset.
void TEST_resetGMTOffSet();

} // namespace qn3::services
