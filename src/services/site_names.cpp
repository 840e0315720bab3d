#include "services/site_names.h"

#include "platform/runtime_error.h"
#include "services/formats.h"

#include <limits>

namespace qn3::services {

QString Chiffres(int32_t Nombre, int16_t Chiffres)
{
    return N2S(Nombre, Chiffres, 0, QStringLiteral("0"));
}

QString SectionBase(int32_t NoBase)
{
    return QStringLiteral("Base_") + Chiffres(NoBase, 2);
}

int16_t EntierCourt(const QString& Texte)
{
    const int32_t value = CLng(Val(Texte));
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        throw platform::RuntimeError(
            platform::errors::Overflow, platform::runtimeErrorText(platform::errors::Overflow));
    return static_cast<int16_t>(value);
}

} // namespace qn3::services
