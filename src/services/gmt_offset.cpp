#include "services/gmt_offset.h"

#include "platform/clock.h"
#include "platform/runtime_error.h"
#include "platform/system_facts.h"
#include "services/error_routine.h"
#include "services/trace_log.h"
#include "services/trap.h"

namespace qn3::services {
namespace {

bool offsetCalcule = false;
int16_t offsetMinutes = 0;

} // namespace

int16_t GetGMTOffSet(bool Recalcul)
{
    if (!Recalcul && offsetCalcule)
        return offsetMinutes;
    Trap trap(u"Lib_Systeme:GetGMTOffSet");
    // A type mismatch (an odd time-zone record) is only traced.
    trap.setReport([] {
        if (InfoErreur.Numero == platform::errors::TypeMismatch) {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: 13 (Type incompatible) |Source: Lib_Systeme:GetGMTOffSet:")
                         + QString::number(InfoErreur.Ligne),
                     false, true);
        } else {
            GestionDesErreurs(QStringLiteral("Lib_Systeme:GetGMTOffSet"));
        }
    });
    int32_t offset = 0;
    // The time-zone database gives local minus UTC at this instant, daylight
    // saving included, in either hemisphere.
    trap(1, [&] {
        const QDateTime at = platform::Clock::current().localNow().dateTime();
        offset = platform::SystemFacts::current().utcOffsetMinutes(at);
    });
    offsetMinutes = static_cast<int16_t>(offset);
    offsetCalcule = true;
    return offsetMinutes;
}

void TEST_resetGMTOffSet()
{
    offsetCalcule = false;
    offsetMinutes = 0;
}

} // namespace qn3::services
