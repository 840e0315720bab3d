#include "services/trap.h"

#include "platform/runtime_error.h"
#include "services/error_routine.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace qn3::services {
namespace {

// The run time names itself as the source of the failures it raises.
const QString& runtimeSource()
{
    static const QString source = QStringLiteral("QN3_Tools_Vandrel");
    return source;
}

void fill(int32_t number, int32_t line, QString description, QString source)
{
    InfoErreur.Numero = number;
    InfoErreur.Ligne = line;
    InfoErreur.Description = std::move(description);
    InfoErreur.Source = std::move(source);
}

// Fills InfoErreur from the exception being handled.
void fillFromCurrent(int32_t line)
{
    using namespace platform;
    try {
        throw;
    } catch (const RuntimeError& e) {
        fill(e.number(), line, e.description(), e.source());
    } catch (const std::bad_alloc&) {
        fill(errors::OutOfMemory, line, runtimeErrorText(errors::OutOfMemory), runtimeSource());
    } catch (const std::out_of_range& e) {
        fill(errors::SubscriptOutOfRange, line, QString::fromLocal8Bit(e.what()), runtimeSource());
    } catch (const std::exception& e) {
        fill(errors::InvalidProcedureCall, line, QString::fromLocal8Bit(e.what()), runtimeSource());
    } catch (...) {
        fill(errors::InvalidProcedureCall, line, runtimeErrorText(errors::InvalidProcedureCall), runtimeSource());
    }
}

} // namespace

QString Trap::source() const
{
    QString text = source_.toString();
    if (detail_)
        text += detail_();
    return text;
}

void Trap::failed(int32_t line) noexcept
{
    // Reporting must not throw either: a failure while reporting is dropped,
    // as the error routine drops its own.
    try {
        fillFromCurrent(line);
        if (report_)
            report_();
        else
            GestionDesErreurs(source());
    } catch (...) {
    }
}

} // namespace qn3::services
