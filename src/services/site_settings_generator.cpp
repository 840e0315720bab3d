#include "services/site_settings_generator.h"

#include "platform/plain_files.h"
#include "platform/wildcard.h"
#include "services/folders.h"
#include "services/ini_access.h"
#include "services/os_facts.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/site_names.h"
#include "services/trap.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <vector>

namespace qn3::services {
namespace {

const QString kSonvarek = QStringLiteral("Sonvarek");
const QString kActif = QStringLiteral("Actif");
const QString kLib = QStringLiteral("Lib");
const QString kOn = QStringLiteral("ON");
const QString kOff = QStringLiteral("0FF"); // the suite writes a zero here
const QString kNomRadioDefaut = QStringLiteral("Nom de la radio");
const QString kUn = QStringLiteral("1");

struct CleDossier {
    const char16_t* ancienne;
    const char16_t* defaut; // nullptr: the suite's program folder
    const char16_t* nouvelle;
};

// In the order the keys are written.
constexpr std::array<CleDossier, 7> kClesDossiers = { {
    { u"REPLOG", u"C:\\AudioLog\\", u"Dossier_Log" },
    { u"REPLOGPUB", u"C:\\AudioLog\\Pub\\", u"Dossier_Log_Pub" },
    { u"REPBLOCNOTES", u"C:\\Sonvarek\\Quillon\\Notes\\", u"Dossier_Notes" },
    { u"REPLOCAL", nullptr, u"Dossier_Local" },
    { u"REPPARTAGE", nullptr, u"Dossier_Shared" },
    { u"REPBTR", u"C:\\BTRieve\\Data\\", u"Dossier_Data" },
    { u"REPSAUVEGARDE", u"C:\\BTRieve\\Data\\", u"Dossier_Data_Backup" },
} };

struct CategorieSons {
    const char16_t* prefixe;
    const char16_t* section;
};

constexpr std::array<CategorieSons, 8> kCategoriesSons = { {
    { u"000", u"Dossiers_Sons_Mus" },
    { u"JIN", u"Dossiers_Sons_Jin" },
    { u"LIN", u"Dossiers_Sons_Lin" },
    { u"RUB", u"Dossiers_Sons_Rub" },
    { u"INF", u"Dossiers_Sons_Inf" },
    { u"PUB", u"Dossiers_Sons_Pub" },
    { u"PRE", u"Dossiers_Sons_Pre" },
    { u"TMP", u"Dossiers_Sons_Tmp" },
} };
constexpr int kSlotsAnciens = 10;

QString texte(const char16_t* s)
{
    return QString::fromUtf16(s);
}

// The generated files are written aside and put in place only once whole:
// several programs started together on a bare site each see no site file
// (and generate one too) or a whole one, never a half-written file. The
// bases' files go in place before the site file, which tells the others
// that the generation is over.
class FichiersAPart {
public:
    explicit FichiersAPart(Trap& trap) : trap_(trap) {}
    FichiersAPart(const FichiersAPart&) = delete;
    FichiersAPart& operator=(const FichiersAPart&) = delete;
    ~FichiersAPart()
    {
        for (const Fichier& f : fichiers_)
            if (!f.aPart.isEmpty())
                trap_([&] { platform::files::remove(f.aPart); });
    }

    // The name to write `fichier` under; empty when it cannot be made, so
    // its writes fail and are skipped like any other.
    QString aPart(const QString& fichier)
    {
        const QString cle = platform::wildcard::upperCase(fichier);
        if (const auto found = index_.constFind(cle); found != index_.cend())
            return fichiers_[*found].aPart;
        Fichier f{fichier, {}};
        trap_([&] {
            VerificationEtCreationRepertoire(fichier.left(fichier.lastIndexOf(u'\\') + 1), true);
            f.aPart = platform::files::beginAside(fichier);
        });
        index_.insert(cle, fichiers_.size());
        fichiers_.push_back(f);
        return f.aPart;
    }

    // In the reverse order of their first writes: the site file, written
    // first, goes in place last.
    void mettreEnPlace()
    {
        for (auto f = fichiers_.rbegin(); f != fichiers_.rend(); ++f) {
            if (f->aPart.isEmpty())
                continue;
            trap_([&] { platform::files::putAsideInPlace(f->aPart, f->cible); });
            f->aPart.clear();
        }
    }

private:
    struct Fichier {
        QString cible;
        QString aPart; // empty once in place, or when it could not be made
    };
    Trap& trap_;
    std::vector<Fichier> fichiers_;
    QHash<QString, qsizetype> index_; // by the target's name in upper case
};

// One base of the older setup: its "Zt_sys.ini" read, its "QN3_Systeme.ini"
// written. Each write stands alone, so one that fails loses only its key.
class GenerateurBase {
public:
    GenerateurBase(Trap& trap, FichiersAPart& fichiers, const QString& dossier, int NoBase)
        : trap_(trap)
        , ancien_(dossier + QStringLiteral("Zt_sys.ini"))
        , systeme_(fichiers.aPart(dossier + QStringLiteral("QN3_Systeme.ini")))
        , section_(SectionBase(NoBase))
        , noBase_(NoBase)
    {
    }

    void entete(const QString& lib, int16_t stations)
    {
        ecrire(section_, kLib, lib);
        ecrire(section_, kActif, kUn);
        ecrire(section_, QStringLiteral("NbStation"), QString::number(stations));
        ecrire(section_, QStringLiteral("NoStation"), kUn);
    }

    void dossiers()
    {
        for (const CleDossier& cle : kClesDossiers) {
            trap_([&] {
                const QString nom = texte(cle.ancienne);
                const QString section = lire(QStringLiteral("UNC_Actif"), nom, kOff) == kOn
                    ? QStringLiteral("Repertoires_UNC")
                    : QStringLiteral("Repertoires");
                const QString defaut = cle.defaut ? texte(cle.defaut) : RepPRG;
                ecrire(section_, texte(cle.nouvelle), lire(section, nom, defaut));
            });
        }
    }

    void stations(int16_t nombre)
    {
        for (int j = 1; j <= std::min<int>(nombre, kMaxStationsGenerees); ++j) {
            trap_([&] {
                const QString section = section_ + QStringLiteral("_Station_") + Chiffres(j, 2);
                const QString lib = lire(QStringLiteral("Div_Radio"), QStringLiteral("Station_") + Chiffres(j, 3),
                    QStringLiteral("Station ") + Chiffres(j, 2));
                ecrire(section, kLib, lib);
                ecrire(section, kActif, kUn);
            });
        }
    }

    // The base number, not a station number, names the slot sections.
    void sons()
    {
        const QString nnn = Chiffres(noBase_, 3);
        const QString sectionReseau = QStringLiteral("UNC_Actif") + nnn;
        const QString sectionLocale = QStringLiteral("Repertoire_Station_") + nnn;
        const QString sectionUnc = QStringLiteral("Repertoire_Station_UNC_") + nnn;
        for (const CategorieSons& categorie : kCategoriesSons) {
            for (int s = 0; s < kSlotsAnciens; ++s) {
                trap_([&] {
                    const QString cle = texte(categorie.prefixe) + u'_' + Chiffres(s, 2);
                    const bool reseau = lire(sectionReseau, cle, kOff) == kOn;
                    const QString valeur = lire(reseau ? sectionUnc : sectionLocale, cle, QString());
                    // A slot is stored as a flag, a comma and the folder.
                    if (!valeur.trimmed().isEmpty())
                        ecrire(texte(categorie.section), Chiffres(s, 2), valeur.mid(2));
                });
            }
        }
    }

    QString lire(const QString& section, const QString& cle, const QString& defaut) const
    {
        return LectureIni(ancien_, section, cle, defaut);
    }

private:
    void ecrire(const QString& section, const QString& cle, const QString& valeur)
    {
        EcritureIni(systeme_, section, cle, valeur);
    }

    Trap& trap_;
    QString ancien_;
    QString systeme_;
    QString section_;
    int noBase_;
};

} // namespace

void GenerationFichierSite(const QString& FichierSite)
{
    Trap trap(u"Lib_Public:DetermineDossierConfig");
    FichiersAPart fichiers(trap);
    QString winIni;
    QString dossierAncien;
    int16_t nombreBases = 0;
    trap([&] {
        winIni = CheckRep(GetWinDir()) + QStringLiteral("Win.ini");
        const bool reseau = LectureIni(winIni, kSonvarek, QStringLiteral("UNC_Actif"), kOff) == kOn;
        // The suite's program folder is not known yet at start-up: the
        // default then lies below the program's own folder, not the current one.
        const QString programme = RepPRG.trimmed().isEmpty() ? CheckRep(RepApplication) : RepPRG;
        dossierAncien = CheckRep(
            LectureIni(winIni, kSonvarek, reseau ? QStringLiteral("INI_QUILLON_UNC") : QStringLiteral("INI_QUILLON"),
                programme + QStringLiteral("Config\\")));
    });
    trap([&] {
        nombreBases = EntierCourt(LectureIni(winIni, kSonvarek, QStringLiteral("Nb_Base"), QStringLiteral("0")));
    });
    nombreBases = std::clamp<int16_t>(nombreBases, 1, kMaxBasesGenerees);

    const QString site = QStringLiteral("Site");
    trap([&] {
        const QString nomRadio = LectureIni(dossierAncien + QStringLiteral("Zt_sys.ini"), QStringLiteral("Div_radio"),
            QStringLiteral("Nom_Radio"), kNomRadioDefaut);
        const QString fichierSite = fichiers.aPart(FichierSite);
        EcritureIni(fichierSite, site, kLib, nomRadio);
        EcritureIni(fichierSite, site, kActif, kUn);
        EcritureIni(fichierSite, site, QStringLiteral("NbBase"), QString::number(nombreBases));
        EcritureIni(fichierSite, site, QStringLiteral("NoBase"), kUn);
    });

    for (int i = 1; i <= nombreBases; ++i) {
        QString dossier = dossierAncien;
        trap([&] {
            if (nombreBases > 1)
                dossier
                    = CheckRep(LectureIni(winIni, kSonvarek, QStringLiteral("Ini_Base_") + Chiffres(i, 2), QString()));
        });
        GenerateurBase base(trap, fichiers, dossier, i);
        int16_t stations = 0;
        trap([&] { stations = EntierCourt(base.lire(QStringLiteral("Stations"), QStringLiteral("Nb_Max"), kUn)); });
        trap([&] {
            const QString lib = nombreBases == 1
                ? base.lire(QStringLiteral("Div_radio"), QStringLiteral("Nom_Radio"), kNomRadioDefaut)
                : LectureIni(winIni, kSonvarek, SectionBase(i), QStringLiteral("Base ") + Chiffres(i, 2));
            base.entete(lib, stations);
            EcritureIni(fichiers.aPart(FichierSite), SectionBase(i), QStringLiteral("Dossier_Config_Global"), dossier);
        });
        base.dossiers();
        base.stations(stations);
        base.sons();
    }
    fichiers.mettreEnPlace();
}

} // namespace qn3::services
