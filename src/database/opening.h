#pragma once

#include <QString>

#include <cstdint>

// Opening of the record files of a base, once for each station, for the run.
namespace qn3::database {

// Opens, for base `NoZone`, every file and station marked in FichiersAOuvrir
// and not yet in FichiersOuverts. `Selection`: 0 or more every file 0 to 50,
// -999 file 0 only, -1 to -50 that file only. `DossierDonnees`: the record
// files' folder, RepBtr(NoZone) when blank. `NoStation`: -1 every station,
// else that station (1 to 10). Each file's name, kind and record length come
// from its section of RepConfig(NoZone) & "ZT_BTR.ini", else the catalogue.
// True when all of them opened; False from the first file that failed, after
// the operator's report (later files are not tried).
bool BTr_Ouverture(int16_t NoZone, int16_t Selection, const QString& DossierDonnees, const int16_t& NoStation);

// Opens one record file: `Chemin` is its path followed by one blank,
// `LngEnregistrement` its record length, which becomes LongueurEnrBtr. Files
// 43 to 45 are created first when missing. A missing file gives status 12
// (a hidden or system file counts as missing, but is never created over:
// for 43 to 45 it gives the creation's 59); a file that cannot be looked at
// is reported through the error routine and never counts as missing. Any
// failure adds a history line and shows the report, and gives False.
bool OuvertureFichierBTrieve(int16_t NoZone, int16_t NoFichier, QString Chemin, int32_t& LngEnregistrement,
                             int32_t NoStation, int16_t ModeOuverture, const QString& DossierDonnees);

} // namespace qn3::database
