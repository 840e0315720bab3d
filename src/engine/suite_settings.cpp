#include "engine/suite_settings.h"

#include "services/formats.h"
#include "services/ini_access.h"
#include "services/network_shares.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/site_names.h"
#include "services/trap.h"

#include <array>

namespace qn3::engine {
namespace {

const QString kOff = QStringLiteral("0FF");
const QString kOn = QStringLiteral("ON");

constexpr std::array<const char16_t*, services::kCategories> kCategoryKeys = {
    u"000", u"JIN", u"LIN", u"RUB", u"INF", u"PRE", u"PUB", u"TMP", u"NUM"};

QString systemFile(int16_t NoZone)
{
    return services::RepConfig.at(NoZone) + QStringLiteral("ZT_SYS.ini");
}

// The suite numbers a base's sound-folder sections with the base's number.
// The chosen base of a site of several works as zone 0: its sections are
// read as its "QN3_Systeme.ini" is, those of base 1 when its file has them.
int32_t baseDesSons(const QString& file, int16_t NoZone)
{
    if (NoZone != 0)
        return NoZone + 1;
    const QString premiere = services::Chiffres(1, 3);
    return services::NoBaseDesSections(file,
        { QStringLiteral("Repertoire_Station_") + premiere, QStringLiteral("UNC_Actif") + premiere },
        services::NoBaseEnCours);
}

} // namespace

void LectureRepPRG(int16_t NoZone)
{
    services::Trap trap(u"Frm_Main:LectureRepPRG");
    trap([&] {
        const QString file = systemFile(NoZone);
        const QString key = QStringLiteral("REPPRG");
        const bool unc = services::LectureIni(file, QStringLiteral("UNC_Actif"), key, kOff) == kOn;
        services::RepPRG = services::CheckRep(services::LectureIni(
            file, unc ? QStringLiteral("Repertoires_UNC") : QStringLiteral("Repertoires"), key,
            QStringLiteral("C:\\Sonvarek\\Quillon\\")));
    });
}

void LectureRepSons(int16_t NoZone)
{
    services::Trap trap(u"Frm_Main:LectureRepSons");
    trap([&] {
        const QString file = systemFile(NoZone);
        const QString base = services::Chiffres(baseDesSons(file, NoZone), 3);
        const QString switches = QStringLiteral("UNC_Actif") + base;
        const QString local = QStringLiteral("Repertoire_Station_") + base;
        const QString network = QStringLiteral("Repertoire_Station_UNC_") + base;
        auto& zone = services::RepSons.at(NoZone);
        for (int category = 0; category < services::kCategories; ++category) {
            int used = 0;
            for (int slot = 0; slot < services::kSlots; ++slot) {
                const QString key = QString::fromUtf16(kCategoryKeys[category]) + u'_'
                    + services::N2S(slot, 2, 0, QStringLiteral("0"));
                const bool unc = services::LectureIni(file, switches, key, kOff) == kOn;
                const QString value = services::LectureIni(file, unc ? network : local, key, QString()).trimmed();
                const QString folder = value.mid(2).trimmed();
                if (!folder.isEmpty() && !value.startsWith(u'0'))
                    zone[category][used++] = services::CheckRep(folder);
            }
            for (int slot = used; slot < services::kSlots; ++slot)
                zone[category][slot].clear();
        }
    });
}

void LocalisationRepSons(int16_t NoZone)
{
    services::Trap trap(u"Frm_Main:LocalisationRepSons");
    trap([&] {
        for (auto& category : services::RepSons.at(NoZone))
            for (QString& folder : category)
                if (!folder.isEmpty())
                    folder = services::DossierLocalDuPoste(NoZone, folder);
    });
}

} // namespace qn3::engine
