#pragma once

#include <QByteArray>

#include <ctime>

namespace qn3::testing {

// Puts the process in the time zone given by a POSIX rule ("XST4XDT,...")
// for a scope, so a test does not depend on the machine's zone database.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* rule) : saved_(qgetenv("TZ"))
    {
        qputenv("TZ", rule);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (saved_.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", saved_);
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

    // Summer time starting at midnight, as in Chile: 00:00 of the first
    // Sunday of September does not exist.
    static constexpr const char* kMidnightChange = "XST4XDT,M9.1.0/0,M4.1.0/0";

private:
    QByteArray saved_;
};

} // namespace qn3::testing
