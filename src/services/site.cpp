#include "services/site.h"

#include "platform/runtime_error.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/path_names.h"
#include "services/settings_folders.h"
#include "services/shared_values.h"
#include "services/site_base.h"
#include "services/site_names.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"

#include <algorithm>
#include <vector>

namespace qn3::services {
namespace {

const QString kSite = QStringLiteral("Site");
const QString kSystemeIni = QStringLiteral("QN3_Systeme.ini");

bool indexValide(int index)
{
    return index >= 0 && index < kMaxBases;
}

void horsTable()
{
    throw platform::RuntimeError(
        platform::errors::SubscriptOutOfRange, platform::runtimeErrorText(platform::errors::SubscriptOutOfRange));
}

// The site's count of bases, kept within the table: a larger count in a
// damaged file would write past it.
int16_t nombreDeBases(const QString& texte)
{
    return std::clamp<int16_t>(EntierCourt(texte), -1, kMaxBases);
}

// What the base selection window's selection handler reads: the chosen
// base's name and station count.
void selectionBase(int16_t index)
{
    Trap trap(u"FrmSelectBase:ComboBase_Click");
    trap([&] {
        if (!indexValide(index))
            horsTable();
        const QString fichier = DetermineFichierSysteme(index);
        const QString section = SectionBase(index + 1);
        DescriptionBase& base = ParametresBase[index];
        base.Lib
            = LectureIni(fichier, section, QStringLiteral("Lib"), QStringLiteral("Base ") + QString::number(index + 1));
        base.NbStation = EntierCourt(LectureIni(fichier, section, QStringLiteral("NbStation"), QStringLiteral("1")));
    });
}

// The name a base shows in the selection list: its own, else the one its
// file gives under base 1 (a base copied from a one-base site), else its number.
QString nomDansListe(const QString& dossier, int NoBase)
{
    const QString fichier = dossier + kSystemeIni;
    QString nom = LectureIni(fichier, SectionBase(NoBase), QStringLiteral("Lib"), QString());
    if (nom.trimmed().isEmpty())
        nom = LectureIni(fichier, SectionBase(1), QStringLiteral("Lib"), QString());
    if (nom.trimmed().isEmpty())
        nom = QStringLiteral("Base ") + Chiffres(NoBase, 2);
    return nom;
}

void finDuProgramme()
{
    TraceLogFinDuProgramme();
    UserInteraction::current().endProgram();
}

// Lets the user choose among the site's bases. A base without a folder is not
// listed; the list remembers which base each entry stands for, so the choice
// still names the right base. False when the user gave up.
bool choixBase(Trap& trap)
{
    std::vector<int16_t> bases; // base index of each entry of the list
    BaseChoiceRequest demande;
    trap([&] {
        // Taken as each base's folder is, so that a folder written without
        // its drive matches its base's.
        const QString courant = DossierConfigSite(FichierIniSysteme);
        bool trouve = false;
        for (int i = 1; i <= NombreBases; ++i) {
            const QString dossier
                = DetermineDossierConfig_Bases_Dossier(FichierIniSysteme, static_cast<int16_t>(i), true);
            if (dossier.trimmed().isEmpty())
                continue;
            if (!trouve && dossier == courant) {
                trouve = true;
                demande.preselected = static_cast<int16_t>(bases.size());
            }
            demande.names.append(nomDansListe(dossier, i));
            bases.push_back(static_cast<int16_t>(i - 1));
        }
    });
    demande.onSelection = [&bases](int16_t position) {
        if (position >= 0 && position < static_cast<int>(bases.size()))
            selectionBase(bases[position]);
    };
    int16_t position = -1;
    trap([&] {
        UserInteraction& utilisateur = UserInteraction::current();
        utilisateur.setWaitWindowVisible(false);
        position = utilisateur.chooseBase(demande);
        utilisateur.setWaitWindowVisible(true);
    });
    BaseCourante = position >= 0 && position < static_cast<int>(bases.size()) ? bases[position] : int16_t(-1);
    return BaseCourante != -1;
}

// The chosen base is remembered for the next start and handled from now on
// as the base of index 0. Its number, for reading its file.
int16_t retenirChoix(Trap& trap)
{
    const auto NoBase = static_cast<int16_t>(BaseCourante + 1);
    trap([&] {
        EcritureIni(FichierIniSysteme, kSite, QStringLiteral("Dossier_Config_Global"),
            DetermineDossierConfig_Bases_Dossier(FichierIniSysteme, static_cast<int16_t>(BaseCourante + 1), true));
        EcritureIni(FichierIniSysteme, kSite, QStringLiteral("NoBase"), QString::number(BaseCourante + 1));
    });
    // Known already when the window's selection handler ran for this base.
    DetermineFichierSysteme(BaseCourante);
    DossierConfigBase[0] = DossierConfigBase[BaseCourante];
    NombreBases = 1;
    BaseCourante = 0;
    return NoBase;
}

} // namespace

void InitGeneralPath(int16_t IndexBase)
{
    Trap trap(u"Lib_Site:InitGeneralPath");
    trap([&] { FichierIniSysteme = DetermineDossierConfig(1); });
    int premier = IndexBase;
    int dernier = IndexBase;
    trap([&] {
        if (IndexBase != -1) {
            if (!indexValide(IndexBase))
                horsTable();
            return;
        }
        premier = 0;
        dernier = NombreBases - 1;
        if (dernier < 0)
            dernier = nombreDeBases(LectureIni(FichierIniSysteme, kSite, QStringLiteral("NbBase"), QStringLiteral("1")))
                - 1;
        dernier = std::min(dernier, kMaxBases - 1);
    });
    for (int i = std::max(premier, 0); i <= dernier && indexValide(i); ++i) {
        trap([&] {
            QString& dossier = DossierConfigBase[i];
            dossier = DetermineDossierConfig_Bases_Dossier(FichierIniSysteme, static_cast<int16_t>(i + 1), true);
            if (!FolderFound(dossier))
                VerificationEtCreationRepertoire(dossier, true);
        });
    }
}

QString DetermineFichierSysteme(int16_t IndexBase)
{
    QString fichier;
    Trap trap(u"Lib_Site:DetermineFichierSysteme");
    trap([&] {
        if (!indexValide(IndexBase))
            horsTable();
        if (DossierConfigBase[IndexBase].trimmed().isEmpty())
            InitGeneralPath(IndexBase);
        const QString& dossier = DossierConfigBase[IndexBase];
        if (!dossier.trimmed().isEmpty() && !FolderFound(dossier))
            VerificationEtCreationRepertoire(dossier, true);
        fichier = dossier + kSystemeIni;
    });
    return fichier;
}

void InitGeneralSite(bool& Arret)
{
    Arret = false;
    Trap trap(u"Lib_Site:InitGeneralSite");
    trap([&] { DetermineFichierSysteme(0); });
    SignalerFichierIgnore(-1, FichierIniSysteme);
    trap([&] {
        NombreBases
            = nombreDeBases(LectureIni(FichierIniSysteme, kSite, QStringLiteral("NbBase"), QStringLiteral("1")));
    });
    NoBaseEnCours = 1;
    if (NombreBases >= 2) {
        if (!choixBase(trap)) {
            Arret = true;
            finDuProgramme();
            return;
        }
        NoBaseEnCours = retenirChoix(trap);
    }
    trap([&] {
        DossierSettingsLocal = CheckRep(LectureIni(FichierIniSysteme, kSite, QStringLiteral("Settings_Local_Folder"),
            QStringLiteral("C:\\Sonvarek\\Quillon\\Settings\\_Local\\")));
        VerificationEtCreationRepertoire(DossierSettingsLocal, true);
    });
    for (int16_t z = 0; z < NombreBases; ++z) {
        if (!LectureBase(trap, z, z == 0 ? NoBaseEnCours : static_cast<int16_t>(z + 1))) {
            // The database question was cancelled: the program is ending.
            Arret = true;
            finDuProgramme();
            return;
        }
    }
}

QString DossierLogsProvisoire()
{
    const QString& base = ParametresBase[0].Dossier_Histo;
    return base.trimmed().isEmpty() ? kDossierLogDefaut + kDossierHisto : base;
}

void TraceLogFinDuProgramme()
{
    Trap trap(u"Lib_Site:TraceLogFinDuProgramme");
    trap([] {
        if (!RepLogs.trimmed().isEmpty())
            return;
        RepLogs = DossierLogsProvisoire();
        VerificationEtCreationRepertoire(RepLogs, true);
    });
    TraceLogFin();
}

void TEST_resetSite()
{
    FichierIniSysteme.clear();
    DossierConfigBase.fill(QString());
    NombreBases = 0;
    BaseCourante = 0;
    NoBaseEnCours = 1;
    DossierSettingsLocal.clear();
    ParametresBase.fill(DescriptionBase {});
}

} // namespace qn3::services
