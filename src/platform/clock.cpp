#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace qn3::platform {

QDateTime LocalTime::dateTime() const
{
    return QDateTime(date(), QTime(hour, minute, second, millisecond));
}

namespace {

// The boot clock counts suspended time too, as Windows' tick count does.
// Converting to local time is the expensive part (time zone rules), so the
// broken-down fields are kept for the current second and only the
// milliseconds are refreshed in between.
class SystemClock final : public Clock {
public:
    uint32_t tickCount() override
    {
        timespec now{};
        clock_gettime(CLOCK_BOOTTIME, &now);
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }

    LocalTime localNow() override
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        if (now.tv_sec != cachedSecond_) {
            tm fields{};
            localtime_r(&now.tv_sec, &fields);
            cached_.year = fields.tm_year + 1900;
            cached_.month = fields.tm_mon + 1;
            cached_.day = fields.tm_mday;
            cached_.hour = fields.tm_hour;
            cached_.minute = fields.tm_min;
            cached_.second = fields.tm_sec;
            cachedSecond_ = now.tv_sec;
        }
        LocalTime result = cached_;
        result.millisecond = static_cast<int>(now.tv_nsec / 1000000);
        return result;
    }

    void sleep(uint32_t milliseconds) override
    {
        timespec left{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }

private:
    time_t cachedSecond_ = -1;
    LocalTime cached_;
};

} // namespace

Clock& Clock::standard()
{
    static SystemClock clock;
    return clock;
}

} // namespace qn3::platform
