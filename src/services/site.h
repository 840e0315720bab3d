#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The site and its bases at start-up: which base the program works with,
// that base's folders (made when missing), its stations and sound folders,
// its database, and the program's copy for redistribution. What the rest of
// the program keeps from this is on disk: the chosen base in the site
// settings file, a database folder found by hand in the base's
// "QN3_Systeme.ini", the folders, the program copy and three trace lines.
namespace qn3::services {

inline constexpr int kMaxBases = 20;
inline constexpr int kMaxStationsBase = 10;
inline constexpr int kSlotsSons = 10;
inline constexpr int kCategoriesSons = 8;

// One sound-folder slot, by category (music, jingles, liners, features,
// news, promos, ads, temporary).
struct SlotSons {
    std::array<bool, kCategoriesSons> Actif {};
    std::array<QString, kCategoriesSons> Dossier;
};

struct DescriptionStation {
    QString Lib;
    bool Actif = false;
};

// What was read for one base; every folder ends with a backslash.
struct DescriptionBase {
    QString Lib;
    bool Actif = false;
    int16_t NbStation = 0;
    QString Dossier_Log;
    QString Dossier_Histo;
    QString Dossier_Log_Pub;
    QString Dossier_Local;
    QString Dossier_Shared;
    QString Dossier_Data;
    QString Backup;
    std::array<SlotSons, kSlotsSons> Sons;
    std::array<DescriptionStation, kMaxStationsBase> Stations;
};

// The site settings file's path.
inline QString FichierIniSysteme;
// Configuration folder of each base by index (base number - 1).
inline std::array<QString, kMaxBases> DossierConfigBase;
// 0 until read; 1 once a base has been chosen among several.
inline int16_t NombreBases = 0;
// The base chosen in the base selection window, -1 when the choice was given up.
inline int16_t BaseCourante = 0;
// The number (1-based) of the base the program works with, kept when the
// start-up chooses it among several (it is base index 0 from then on, and
// BaseCourante goes back to 0); 1 on a site of one base. The settings window
// and the suite's settings read the base's sections by it.
inline int16_t NoBaseEnCours = 1;
inline QString DossierSettingsLocal;
inline std::array<DescriptionBase, kMaxBases> ParametresBase;

// Sets FichierIniSysteme and the configuration folder of base index
// `IndexBase` (-1: every base of the site), making missing folders.
void InitGeneralPath(int16_t IndexBase);

// The "QN3_Systeme.ini" of base index `IndexBase` (0 to 19), once the base's
// folder is known and exists; "" for an index outside the table.
QString DetermineFichierSysteme(int16_t IndexBase);

// The start-up: the number of bases, the choice of one when there are
// several (the chosen base becomes base index 0 and is remembered in the
// site file), the local settings folder, then each base's settings, folders,
// database check, program copy, sound folders and stations. `Arret` comes
// back True when the program is ending (the choice given up, or the database
// question cancelled): the caller then stops its own initialisation.
void InitGeneralSite(bool& Arret);

// The default log folder, "C:\AudioLog\" (a base's "Dossier_Log" when its
// file has none), and the program's history folder inside a log folder.
inline const QString kDossierLogDefaut = QStringLiteral("C:\\AudioLog\\");
inline const QString kDossierHisto = QStringLiteral("Histo_QN3_Tools_Vandrel\\");

// The log folder while the settings window has not named RepLogs: the
// history folder of the base in use once the start-up has read its folders,
// else the one of the default log folder.
QString DossierLogsProvisoire();

// The end of a run, whatever ends it: every line the run traced reaches the
// day's log, in order (TraceLogFin). A run that ends before the settings
// window has named the log folder writes to DossierLogsProvisoire, made when
// missing, which becomes RepLogs.
void TraceLogFinDuProgramme();

// Test only: the module's state as at start.
void TEST_resetSite();

} // namespace qn3::services
