#pragma once

#include <QString>

#include <cstdint>

// The two clocks of the trace log and the waits: the local time with
// milliseconds, and a millisecond counter since start-up that never wraps.
namespace qn3::services {

// Local time "HH:MM:SS:mmm", 12 characters (13:05:09:042).
QString TimingMilliSec();

// Appends the same 12 characters to `out`; the trace log's fast path.
void AppendTimingMilliSec(QString& out);

// Milliseconds since the machine started, carried over the wraps of the
// 32-bit tick count (noticed when called at least once per 49.7 days).
int64_t GetTickCount64();

// Test only: forgets the carried wraps and the last tick.
void TEST_resetTickCount();

} // namespace qn3::services
