#pragma once

#include <QString>
#include <cstdint>

// Where the program keeps its settings: the site settings file
// "Settings\QN3_Config.ini" below the program's folder (made from the suite's
// older setup the first time), each base's configuration folder, and the
// program's own settings folder "Settings\QN3_Tools_Vandrel\" with its local
// settings and window-positions files. No failure reaches a caller.
namespace qn3::services {

// RepSettings followed by "Temp\"; set with RepSettings by NomDossierSettings.
inline QString RepTemp;

// The path of the site settings file (`NoBase` has no effect). Except on
// Windows generations 6 to 8 it makes the "Settings\" folder, generates the
// file from "Win.ini" and "Zt_sys.ini" when it is missing, and shows the
// classic-look notice once per site file when the desktop theme is off.
QString DetermineDossierConfig(int16_t NoBase);

// The configuration folder of base `NoBase` (1-based) named by `FichierSite`,
// with a trailing backslash. `PrioriteBase` True reads the base's own
// "Dossier_Config_Global" first (default "C:\Sonvarek\Quillon\Config\") and
// falls back to [Site]; False reads [Site] first.
QString DetermineDossierConfig_Bases_Dossier(const QString& FichierSite, int16_t NoBase, const bool& PrioriteBase);

// The configuration folder of the base in use that [Site]
// "Dossier_Config_Global" of `FichierSite` names, as the bases' folders are
// given: with a trailing backslash, and below the program's folder when
// written without a drive; empty when not set.
QString DossierConfigSite(const QString& FichierSite);

// The configuration folder the settings window uses for base `NoBase`: the
// chosen base of [Site] when set, else the base's own folder (default
// RepApplication followed by "Config\"), with a trailing backslash.
QString DetermineDossierConfig_Fichier(const QString& FichierSite, int16_t NoBase);

// Says in the trace log, as an incident under zone `NoZone`, that the
// settings file `Fichier` is there but of no use: a folder, something other
// than a regular file, or a file beyond the size a settings file is read to.
// Its values are then the defaults, as for a missing file. Says nothing for a
// missing or usable file.
void SignalerFichierIgnore(int16_t NoZone, const QString& Fichier);

// Sets RepSettings and RepTemp, makes both, and moves a local settings file
// an older release left in the Windows folder into RepSettings (only when
// RepSettings has none; the old file goes only once the copy is there).
void NomDossierSettings();

// RepSettings followed by "QN3_Tools_Vandrel", `Suffixe` and `Extension`
// ("" and ".Ini" for the local settings file, "_Positions" and ".Ini" for
// the window positions); sets RepSettings first when it is blank.
QString NomFichierSettings(const QString& Suffixe, const QString& Extension);

} // namespace qn3::services
