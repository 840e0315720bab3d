#pragma once

#include "platform/installable.h"

#include <QDate>
#include <QDateTime>

#include <cstdint>

// The machine's two clocks: the 32-bit millisecond tick count since start-up
// (it wraps every 49.7 days, as Windows' does) and the local time of day.
// Tests install a double to feed a wrap or to set the day.
namespace qn3::platform {

// Local time broken into its fields; cheap to obtain many times a second.
struct LocalTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    QDate date() const { return QDate(year, month, day); }
    QDateTime dateTime() const;
};

class Clock : public Installable<Clock> {
public:
    virtual ~Clock() = default;

    // Milliseconds since the machine started, modulo 2^32.
    virtual uint32_t tickCount() = 0;
    // The local time now. Must be cheap: every trace line reads it.
    virtual LocalTime localNow() = 0;
    // Blocks the calling thread for `milliseconds` (Windows' Sleep). Only the
    // record manager's retry pauses block like this; every other wait lets
    // the event loop run.
    virtual void sleep(uint32_t milliseconds) = 0;

    static Clock& standard();
};

} // namespace qn3::platform
