#pragma once

#include "platform/installable.h"

#include <cstdint>

// Ending the session or restarting the computer.
//
// Only the delivered program (built with QN3_DELIVERY) really acts; every
// other build, and so every test program, merely warns that it was asked.
// Tests install a recording double to check the request.
namespace qn3::platform {

namespace exitflags {
inline constexpr uint32_t LogOff = 0;
inline constexpr uint32_t Shutdown = 1;
inline constexpr uint32_t Reboot = 2;
inline constexpr uint32_t Force = 4;
inline constexpr uint32_t PowerOff = 8;
} // namespace exitflags

class Restart : public Installable<Restart> {
public:
    virtual ~Restart() = default;

    // Ends the session with the given exit flags (log-off, shutdown, reboot,
    // power-off, combined with Force). Returns at once; the end comes later.
    virtual void exitWindows(uint32_t flags) = 0;

    static Restart& standard();
};

} // namespace qn3::platform
