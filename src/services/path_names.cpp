#include "services/path_names.h"

#include "platform/runtime_error.h"
#include "services/formats.h"
#include "services/shared_values.h"
#include "services/trap.h"

#include <array>
#include <cmath>

namespace qn3::services {

QString CheckRep(const QString& Dossier)
{
    if (Dossier.isEmpty() || Dossier.endsWith(u'\\'))
        return Dossier;
    return Dossier + u'\\';
}

void EclateRepFicExt(const QString& Chemin)
{
    Trap trap(u"Lib_Public:EclateRepFicExt");
    trap([&] {
        const QString path = Chemin.trimmed();
        FichierEclate = {path, QString(), QString()};
        if (path.isEmpty())
            return;
        qsizetype dot = -1;
        qsizetype stop = -1; // index where the walk stopped
        for (qsizetype i = path.size() - 1; i >= 0; --i) {
            if (path[i] == u'.') {
                if (FichierEclate.Extension.isEmpty()) {
                    dot = i;
                    FichierEclate.Extension = path.mid(i);
                }
                continue;
            }
            if (path[i] == u'\\' || i == 0) {
                stop = i;
                break;
            }
        }
        if (stop < 0)
            return; // a leading dot and no backslash: the whole text stays the folder
        const qsizetype p = path[stop] == u'\\' ? stop + 1 : 0;
        FichierEclate.Repertoire = path.left(p);
        FichierEclate.Fichier = dot >= 0 ? path.mid(p, dot - p) : path.mid(p);
    });
}

int16_t SerieDeRepertoire(const QString& Categorie)
{
    static const std::array<QString, 9> kCategories = {
        QString(), QStringLiteral("JIN"), QStringLiteral("LIN"), QStringLiteral("RUB"), QStringLiteral("INF"),
        QStringLiteral("PRE"), QStringLiteral("PUB"), QStringLiteral("TMP"), QStringLiteral("NUM"),
    };
    for (std::size_t i = 1; i < kCategories.size(); ++i) {
        if (Categorie == kCategories[i])
            return static_cast<int16_t>(i);
    }
    return 0;
}

QString CheckDrive(int16_t NoZone, int16_t Serie, const QString& Drive, const QString& SongId)
{
    // A failure (zone or category out of range) leaves slot "0", which every
    // category in use has.
    QString result = QStringLiteral("0");
    Trap trap(u"Lib_Public:CheckDrive");
    trap([&] {
        if (NoZone < 0 || NoZone >= kZones || Serie < 0 || Serie >= kCategories)
            throw platform::RuntimeError(platform::errors::SubscriptOutOfRange,
                                         platform::runtimeErrorText(platform::errors::SubscriptOutOfRange));
        const auto& folders = RepSons[NoZone][Serie];
        QString drive = Drive.trimmed().isEmpty() ? QStringLiteral("0") : Drive;
        if (drive == u"-") {
            result = drive;
            return;
        }
        // Only one digit names a slot; "12" passes the original digit test but
        // names no slot, so it is treated as unusable.
        if (drive.size() == 1 && drive[0] >= u'0' && drive[0] <= u'9' && !folders[drive[0].digitValue()].isEmpty()) {
            result = drive;
            return;
        }
        int inUse = 0;
        while (inUse < kSlots && !folders[inUse].trimmed().isEmpty())
            ++inUse;
        if (inUse == 0) {
            result = QStringLiteral("0");
            return;
        }
        const double id = std::nearbyint(Val(QStringView(SongId).mid(std::min<qsizetype>(3, SongId.size()))));
        double slot = std::fmod(id, inUse);
        if (slot < 0)
            slot += inUse;
        result = QString::number(static_cast<int>(slot));
    });
    return result;
}

} // namespace qn3::services
