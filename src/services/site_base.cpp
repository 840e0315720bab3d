#include "services/site_base.h"

#include "platform/windows_path.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/path_names.h"
#include "services/settings_folders.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/site_names.h"
#include "services/trace_log.h"
#include "services/user_interaction.h"
#include "services/versions.h"
#include "services/window_members.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <array>

namespace qn3::services {
namespace {

const QString kSource = QStringLiteral("Lib_Site:InitGeneralSite");
const QString kBaseDonnees = QStringLiteral("FRAD000") + QStringLiteral(".bt6");
const QString kNomProgramme = QStringLiteral("QN3_Tools_Vandrel");

struct CategorieSlot {
    const char16_t* prefixe;
    const char16_t* defaut;
};

constexpr std::array<CategorieSlot, kCategoriesSons> kCategories = { {
    { u"Mus_", u"C:\\QN_Sons\\Musique\\" },
    { u"Jin_", u"C:\\QN_Sons\\Autre\\" },
    { u"Lin_", u"C:\\QN_Sons\\Autre\\" },
    { u"Rub_", u"C:\\QN_Sons\\Autre\\" },
    { u"Inf_", u"C:\\QN_Sons\\Autre\\" },
    { u"Pre_", u"C:\\QN_Sons\\Autre\\" },
    { u"Pub_", u"C:\\QN_Sons\\Autre\\" },
    { u"Tmp_", u"C:\\QN_Sons\\Autre\\" },
} };

void creer(const QString& dossier)
{
    VerificationEtCreationRepertoire(dossier, true);
}

void tracer(int16_t z, const QString& texte)
{
    TraceLog(z, -1, -1, texte, false, true);
}

bool actif(const QString& valeur)
{
    return Val(valeur) != 0;
}

// Reads the base's keys of one section of its "QN3_Systeme.ini".
class LecteurBase {
public:
    LecteurBase(QString fichier, QString section)
        : fichier_(std::move(fichier))
        , section_(std::move(section))
    {
    }
    QString texte(const QString& cle, const QString& defaut) const
    {
        return LectureIni(fichier_, section_, cle, defaut);
    }
    QString dossier(const QString& cle, const QString& defaut) const { return CheckRep(texte(cle, defaut)); }
    const QString& fichier() const { return fichier_; }
    const QString& section() const { return section_; }

private:
    QString fichier_;
    QString section_;
};

enum class Verification { Terminee, Abandon };

// The base is of no use without its database: while its first record file
// is missing or empty, the user may look for it, go on without it, or stop.
Verification verifierBaseDonnees(DescriptionBase& base, const LecteurBase& lecteur)
{
    UserInteraction& utilisateur = UserInteraction::current();
    const QString paragraphe = QStringLiteral("\r\n\r\n");
    while (!File_Exist(base.Dossier_Data + kBaseDonnees, kSource, true)) {
        MessageBoxRequest question;
        question.text = QStringLiteral("Impossible de trouver la base de données pour la base: ") + base.Lib
            + paragraphe + QStringLiteral("Fichier '") + base.Dossier_Data + kBaseDonnees
            + QStringLiteral("' non trouvé") + paragraphe
            + QStringLiteral("Voulez-vous rechercher manuellement la localisation de la base de données Quillon ?");
        question.style = msgbox::YesNoCancel | msgbox::Question;
        question.title = Frm_Main().Caption;
        const int32_t reponse = utilisateur.askMessageBox(question);
        if (reponse == msgbox::AnswerNo)
            return Verification::Terminee;
        if (reponse == msgbox::AnswerCancel)
            return Verification::Abandon;
        if (reponse == msgbox::AnswerYes) {
            QString depart = base.Dossier_Data;
            if (depart.size() > 1 && depart.endsWith(u'\\'))
                depart.chop(1);
            const QString choisi = utilisateur.selectFolder(FolderRequest { Frm_Main().hWnd, depart, QString() });
            if (choisi != u"*") {
                base.Dossier_Data = CheckRep(choisi);
                if (File_Exist(base.Dossier_Data + kBaseDonnees, kSource, true))
                    EcritureIni(
                        lecteur.fichier(), lecteur.section(), QStringLiteral("Dossier_Data"), base.Dossier_Data);
            }
        }
        QCoreApplication::processEvents();
    }
    return Verification::Terminee;
}

// The running program's file: its own name in the program's folder, or,
// when started under another name, the file the process was started from.
QString programmeEnCours()
{
    const QString installe = RepApplication + kNomProgramme;
    if (File_Exist(installe, kSource, true))
        return installe;
    return platform::paths::toWindows(QCoreApplication::applicationFilePath());
}

// Keeps a copy of each version of the program in the base's redistribution
// folder, from which the other computers of the site update themselves.
void copierProgramme(int16_t z, const LecteurBase& lecteur)
{
    const QString redist = lecteur.dossier(QStringLiteral("Dossier_Redist"), QString());
    QString cible;
    if (!redist.isEmpty()) {
        cible = redist + QStringLiteral("QN\\Backup\\Programmes\\");
        creer(cible);
        const QString nom = cible + kNomProgramme + u' ' + VersionApplication() + QStringLiteral(".exe");
        if (!File_Exist(nom, kSource, true))
            File_Copy(programmeEnCours(), nom, kOptionsCopieSansErreur, Frm_Main().hWnd);
    }
    tracer(z, QStringLiteral("Dossier_Redist: ") + cible);
}

void lireSons(DescriptionBase& base, const LecteurBase& lecteurBase)
{
    const LecteurBase lecteur(lecteurBase.fichier(), lecteurBase.section() + QStringLiteral("_Sounds_Folders"));
    QStringList faits; // each folder is made once per base
    for (int s = 0; s < kSlotsSons; ++s) {
        for (int c = 0; c < kCategoriesSons; ++c) {
            const QString defaut = QString::fromUtf16(kCategories[c].defaut);
            const QString valeur
                = lecteur.dossier(QString::fromUtf16(kCategories[c].prefixe) + Chiffres(s + 1, 2), defaut);
            SlotSons& slot = base.Sons[s];
            const bool marque = valeur.startsWith(QStringLiteral("0:")) || valeur.startsWith(QStringLiteral("1:"));
            slot.Actif[c] = valeur.startsWith(QStringLiteral("1:"));
            slot.Dossier[c] = marque ? valeur.mid(2) : defaut;
            const QString& dossier = slot.Dossier[c];
            if (!dossier.trimmed().isEmpty() && !faits.contains(dossier, Qt::CaseInsensitive)) {
                creer(dossier);
                faits.append(dossier);
            }
        }
    }
}

void lireStations(DescriptionBase& base, const LecteurBase& lecteurBase)
{
    const int nombre = std::clamp<int>(base.NbStation, 0, kMaxStationsBase);
    for (int j = 0; j < nombre; ++j) {
        const LecteurBase lecteur(
            lecteurBase.fichier(), lecteurBase.section() + QStringLiteral("_Station_") + Chiffres(j + 1, 2));
        DescriptionStation& station = base.Stations[j];
        station.Lib = lecteur.texte(QStringLiteral("Lib"), QStringLiteral("Station ") + QString::number(j + 1));
        station.Actif = actif(lecteur.texte(QStringLiteral("Actif"), QStringLiteral("0")));
    }
}

} // namespace

bool LectureBase(Trap& trap, int16_t z, int16_t NoBase)
{
    DescriptionBase& base = ParametresBase[z];
    const QString fichier = DetermineFichierSysteme(z);
    SignalerFichierIgnore(z, fichier);
    const QString section = SectionBaseSysteme(fichier, NoBase);
    const LecteurBase lecteur(fichier, section);
    trap([&] {
        base.Lib = lecteur.texte(QStringLiteral("Lib"), QStringLiteral("Base ") + QString::number(NoBase));
        base.Actif = actif(lecteur.texte(QStringLiteral("Actif"), QStringLiteral("0")));
        base.NbStation = EntierCourt(lecteur.texte(QStringLiteral("NbStation"), QStringLiteral("1")));
    });
    trap([&] {
        base.Dossier_Log = lecteur.dossier(QStringLiteral("Dossier_Log"), kDossierLogDefaut);
        creer(base.Dossier_Log);
        base.Dossier_Histo = base.Dossier_Log + kDossierHisto;
        creer(base.Dossier_Histo);
    });
    trap([&] {
        base.Dossier_Log_Pub
            = lecteur.dossier(QStringLiteral("Dossier_Log_Pub"), QStringLiteral("C:\\AudioLog\\Pub\\"));
        creer(base.Dossier_Log_Pub);
    });
    trap([&] {
        base.Dossier_Local = lecteur.dossier(
            QStringLiteral("Dossier_Local"), QStringLiteral("C:\\Sonvarek\\Quillon\\Settings\\_Local\\"));
        creer(base.Dossier_Local);
        tracer(z, QStringLiteral("Local_Folder: ") + base.Dossier_Local);
    });
    trap([&] {
        base.Dossier_Shared
            = lecteur.dossier(QStringLiteral("Dossier_Shared"), QStringLiteral("C:\\Sonvarek\\Quillon\\Shared\\"));
        creer(base.Dossier_Shared);
    });
    trap([&] {
        base.Dossier_Data = lecteur.dossier(QStringLiteral("Dossier_Data"), QStringLiteral("C:\\QN_Data\\"));
        creer(base.Dossier_Data);
        tracer(z, QStringLiteral("Data_Folder: ") + base.Dossier_Data);
    });
    Verification verification = Verification::Terminee;
    trap([&] { verification = verifierBaseDonnees(base, lecteur); });
    if (verification == Verification::Abandon)
        return false;
    trap([&] {
        const LecteurBase reglages(fichier, section + QStringLiteral("_Settings_Folders"));
        base.Backup = reglages.dossier(QStringLiteral("Backup"), QStringLiteral("C:\\QN_Data\\_Bkp\\"));
        creer(base.Backup);
    });
    trap([&] { copierProgramme(z, lecteur); });
    trap([&] { lireSons(base, lecteur); });
    trap([&] { lireStations(base, lecteur); });
    return true;
}

} // namespace qn3::services
