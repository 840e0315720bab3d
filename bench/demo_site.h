#pragma once

#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "database/opening.h"
#include "recordmanager/btrcall.h"
#include "platform/windows_path.h"
#include "services/shared_values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The benchmark's generated site, also opened by the end-to-end test of the
// opening: a base `zone` holding every record file the start-up opens, empty,
// described by its own "ZT_BTR.ini" the way the suite writes it.
namespace qn3::testing {

inline constexpr int kStartupFiles[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 16, 17, 18, 22, 26, 27, 31, 32};

// Writes the sections from the catalogue into RepConfig(zone) and creates the
// files of stations 1 to `stations` in RepBtr(zone); false at the first failure.
inline bool GenerateSite(int16_t zone, int16_t stations)
{
    using namespace database;
    InitGeneralData();
    QString ini;
    const QChar zero(u'0');
    for (int f : kStartupFiles) {
        const DescriptionFichierBtr& d = CatalogueFichiers[f];
        ini += QStringLiteral("[FIC_Frad%1]\r\nFichier=%2\r\nDossier=%3\r\nLng_Enregistrement=%4\r\nLng_Page=%5\r\nNb_Cle=%6\r\n")
                   .arg(f, 3, 10, zero).arg(d.Fichier.trimmed(), d.Dossier).arg(d.Lng_Enregistrement).arg(d.Lng_Page).arg(d.Nb_Cle);
        for (int k = 0; k < 8 && d.Cle[k].Lng != 0; ++k)
            ini += QStringLiteral("CLE_0%1=POS:%2 LNG:%3 FLG:%4\r\n").arg(k).arg(d.Cle[k].Pos, 4, 10, zero)
                       .arg(d.Cle[k].Lng, 4, 10, zero).arg(d.Cle[k].Flg, 4, 10, zero);
    }
    const QString iniPath = platform::paths::toHost(services::RepConfig[zone] + QStringLiteral("ZT_BTR.ini"));
    QDir().mkpath(QFileInfo(iniPath).path());
    QDir().mkpath(platform::paths::toHost(services::RepBtr[zone]));
    QFile file(iniPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(ini.toLatin1()) != ini.size())
        return false;
    file.close();
    for (int f : kStartupFiles) {
        const bool perStation = CatalogueFichiers[f].Dossier == u"O";
        for (int16_t s = 1; s <= (perStation ? stations : 1); ++s) {
            QString path;
            const bool exporting = false;
            CreationStructureVide(zone, 0, QStringLiteral("FIC_Frad%1").arg(f, 3, 10, zero), path,
                                  services::RepBtr[zone], s, exporting, QString());
            if (StatutBtr != 0)
                return false;
        }
    }
    return true;
}

// Marks the start-up's files for stations 1 to `stations`, as the main window does.
inline void MarkStartupFiles(int16_t zone, int16_t stations)
{
    for (int f : kStartupFiles)
        for (int s = 0; s < stations; ++s)
            database::FichiersAOuvrir[zone][f][s] = -1;
}

// Opens the marked files of `zone` for every station, as the start-up does.
inline bool OpenStartupFiles(int16_t zone)
{
    database::FichiersOuverts[zone] = {};
    return database::BTr_Ouverture(zone, 0, QString(), -1);
}

// Closes what the opening left open in `zone`, so no handle is left over.
inline void CloseOpenedFiles(int16_t zone)
{
    for (auto& file : database::PositionBtr[zone])
        for (auto& block : file)
            if (block[0] != '\0') {
                int32_t length = 0;
                BTRCALL(1, block.data(), nullptr, &length, nullptr, 0, 0);
                block.fill('\0');
            }
}

} // namespace qn3::testing
