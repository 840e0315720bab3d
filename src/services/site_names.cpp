#include "services/site_names.h"

#include "platform/private_profile.h"
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

int32_t NoBaseDesSections(const QString& Fichier, const QStringList& SectionsBase1, int32_t NoBase)
{
    // Every section name fits: a settings file holds a few dozen.
    constexpr uint32_t kTailleListe = 65535;
    const platform::ProfileRead noms = platform::PrivateProfile::current().sectionNames(Fichier, kTailleListe);
    for (const QStringView nom : QStringView(noms.text).split(u'\0'))
        for (const QString& section : SectionsBase1)
            if (nom.compare(section, Qt::CaseInsensitive) == 0)
                return 1;
    return NoBase;
}

QString SectionBaseSysteme(const QString& FichierSysteme, int32_t NoBase)
{
    return SectionBase(NoBaseDesSections(FichierSysteme, { SectionBase(1) }, NoBase));
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
