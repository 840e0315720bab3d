#include "services/clocks.h"

#include "platform/clock.h"
#include "services/trap.h"

namespace qn3::services {
namespace {

constexpr int64_t kTickPeriod = int64_t{1} << 32;

int64_t DernierTick = 0;
int64_t DecalageTick = 0;

void appendDigits(QChar* out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
}

} // namespace

void AppendTimingMilliSec(QString& out)
{
    // Written by hand rather than through Date2StringEx: every trace line
    // reads it, and the result is the same "HH:MM:SS:mmm".
    const platform::LocalTime now = platform::Clock::current().localNow();
    const qsizetype at = out.size();
    out.resize(at + 12);
    QChar* p = out.data() + at;
    appendDigits(p, now.hour, 2);
    p[2] = u':';
    appendDigits(p + 3, now.minute, 2);
    p[5] = u':';
    appendDigits(p + 6, now.second, 2);
    p[8] = u':';
    appendDigits(p + 9, now.millisecond, 3);
}

QString TimingMilliSec()
{
    QString result;
    Trap trap(u"Lib_Systeme:TimingMilliSec");
    trap([&] {
        result.reserve(12);
        AppendTimingMilliSec(result);
    });
    return result;
}

int64_t GetTickCount64()
{
    int64_t result = 0;
    Trap trap(u"Lib_Systeme:GetTickCount64");
    trap([&] {
        const int64_t t = platform::Clock::current().tickCount();
        if (t < DernierTick)
            DecalageTick += kTickPeriod;
        DernierTick = t;
        result = DecalageTick + t;
    });
    return result;
}

void TEST_resetTickCount()
{
    DernierTick = 0;
    DecalageTick = 0;
}

} // namespace qn3::services
