#include "database/opening.h"

#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/creation.h"
#include "database/error_report.h"
#include "database/record_buffers.h"
#include "database/record_manager_access.h"
#include "platform/ansi.h"
#include "platform/directory_listing.h"
#include "platform/file_attributes.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"
#include "recordmanager/record_manager_codes.h"
#include "services/file_operations.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"
#include "services/window_members.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace qn3::database {
namespace {

namespace msgbox = services::msgbox;

constexpr char16_t kSourceOuverture[] = u"Lib_Data_Pervasive:BTr_Ouverture";

using Cles = std::vector<std::pair<QString, QString>>;

// The sections the opening writes for the files it may create, should the
// catalogue not name them.
Cles sectionParDefaut(int fichier)
{
    auto cles = [](const char16_t* libelle, const char16_t* nom, const char16_t* longueur, const char16_t* page,
                   const char16_t* nb, std::initializer_list<const char16_t*> segments) {
        Cles c{{QStringLiteral("Libelle"), QString::fromUtf16(libelle)},
               {QStringLiteral("Fichier"), QString::fromUtf16(nom)},
               {QStringLiteral("Dossier"), QStringLiteral("O")},
               {QStringLiteral("Compression"), QStringLiteral("N")},
               {QStringLiteral("Lng_Enregistrement"), QString::fromUtf16(longueur)},
               {QStringLiteral("Lng_Page"), QString::fromUtf16(page)},
               {QStringLiteral("Nb_Cle"), QString::fromUtf16(nb)}};
        int k = 0;
        for (const char16_t* s : segments)
            c.emplace_back(QStringLiteral("CLE_0") + QString::number(k++), QString::fromUtf16(s));
        return c;
    };
    switch (fichier) {
    case 40:
        return cles(u"Morceaux non diffusés", u"FRAD040", u"0900", u"1024", u"2",
                    {u"POS:0001 LNG:0008 FLG:0003", u"POS:0009 LNG:0014 FLG:0003"});
    case 43:
        return cles(u"Podcast: Emissions", u"FRAD043", u"4000", u"4096", u"2",
                    {u"POS:0001 LNG:0008 FLG:0002", u"POS:0009 LNG:0060 FLG:1027"});
    case 44:
        return cles(u"Podcast: Articles des Emissions", u"FRAD044", u"4000", u"4096", u"3",
                    {u"POS:0001 LNG:0008 FLG:0002", u"POS:0009 LNG:0021 FLG:0003", u"POS:0030 LNG:0060 FLG:1027"});
    case 45:
        return cles(u"Podcast: Images des Emissions ou des Articles", u"FRAD045", u"4000", u"4096", u"1",
                    {u"POS:0001 LNG:0008 FLG:0002"});
    default:
        return {};
    }
}

// Whether a plain, visible file answers `hote`: hidden and system files,
// folders, FIFOs and devices count as missing, as a name nothing answers.
// Any other failure to look (an I/O error, a share gone stale, a folder
// that may not be searched) throws: it proves nothing about the file.
bool fichierNormal(const QString& hote)
{
    uint32_t attributs = 0;
    try {
        attributs = platform::attributes::getHost(hote);
    } catch (const platform::RuntimeError& erreur) {
        if (erreur.number() == platform::errors::FileNotFound || erreur.number() == platform::errors::PathNotFound)
            return false;
        throw;
    }
    constexpr uint32_t cache = platform::attributes::Hidden | platform::attributes::System;
    return (attributs & (cache | platform::attributes::Directory)) == 0 && QFileInfo(hote).isFile();
}

// A record file is there when a plain file answers its path (a name the
// platform refuses names no file).
bool fichierPresent(const QString& chemin)
{
    QString hote;
    try {
        hote = platform::paths::toHost(chemin);
    } catch (const platform::RuntimeError&) {
        return false;
    }
    return fichierNormal(hote);
}

// The record-file folder of one walk, listed once. Every open changes the
// folder (the record manager's companion files), so mapping each path anew
// would rescan it for every file; names are compared without regard to case.
class ListeDossier {
public:
    explicit ListeDossier(const QString& dossier) : dossier_(dossier)
    {
        // A folder that cannot be listed leaves each file to be looked up on
        // its own, so that a failure is met and reported there.
        try {
            hote_ = platform::paths::toHost(dossier);
            for (const platform::DirectoryEntry& entree : platform::listDirectory(dossier))
                noms_.insert(entree.name.toUpper(), entree.name);
        } catch (const std::exception&) {
            hote_.clear();
        }
    }

    // A file shared by the stations is looked at once for all of them.
    // `telQuel`: the path spelt as the folder spells the name, which the
    // record manager then finds without searching the folder; empty when
    // the file is not in the listing. Throws as fichierNormal().
    bool present(const QString& chemin, QString& telQuel)
    {
        telQuel.clear();
        const QString nom = chemin.mid(dossier_.size());
        if (hote_.isEmpty() || !chemin.startsWith(dossier_, Qt::CaseInsensitive) || nom.contains(u'\\') ||
            nom.contains(u'/'))
            return fichierPresent(chemin);
        const QString cle = nom.toUpper();
        auto vu = vus_.constFind(cle);
        if (vu == vus_.cend()) {
            const auto trouve = noms_.constFind(cle);
            const bool normal = trouve != noms_.cend() && fichierNormal(QDir(hote_).filePath(*trouve));
            vu = vus_.insert(cle, normal ? *trouve : QString());
        }
        if (vu->isEmpty())
            return false;
        telQuel = chemin.left(dossier_.size()) + *vu;
        return true;
    }

    // A file made during the walk.
    void ajoute(const QString& chemin)
    {
        if (chemin.startsWith(dossier_, Qt::CaseInsensitive)) {
            const QString nom = chemin.mid(dossier_.size());
            noms_.insert(nom.toUpper(), nom);
            vus_.remove(nom.toUpper());
        }
    }

private:
    QString dossier_;
    QString hote_;
    QHash<QString, QString> noms_;
    QHash<QString, QString> vus_;  // by upper-case name: its spelling when a plain file, else empty
};

// The record length of a section: its leading number rounded (halves to
// even, so "0.5" gives 0), else the catalogue's. A length the 16-bit data
// length cannot carry counts as none.
int32_t longueurEnregistrement(const QString& texte, int fichier)
{
    constexpr int32_t plusLongue = std::numeric_limits<int16_t>::max();
    const double valeur = services::Val(texte);
    if (valeur > 0 && valeur <= plusLongue + 0.5) {
        const int32_t longueur = services::CLng(valeur);
        if (longueur >= 1 && longueur <= plusLongue)
            return longueur;
    }
    return CatalogueFichiers[fichier].Lng_Enregistrement;
}

void boite(const QString& texte)
{
    services::UserInteraction::current().askMessageBox(
        {texte, msgbox::OkOnly | msgbox::Information, services::Frm_Main().Caption});
}

} // namespace

namespace {

// What a look for a record file found. A look that failed is reported
// through the trap and proves nothing: such a file is neither made nor
// counted as missing.
enum class Presence { Missing, Present, Unknown };

// OuvertureFichierBTrieve, finding the file first in `liste` when the walk has one.
bool ouvre(int16_t NoZone, int16_t NoFichier, QString Chemin, int32_t& LngEnregistrement, int32_t NoStation,
           int16_t ModeOuverture, const QString& DossierDonnees, ListeDossier* liste)
{
    services::Trap trap(u"Lib_Data_Pervasive:OuvertureFichierBTrieve");
    PositionBlock position;
    position.fill(' ');
    auto sansBlanc = [&] { return Chemin.endsWith(u' ') ? Chemin.chopped(1) : Chemin; };
    QString telQuel;
    auto cherche = [&](ListeDossier* dans) {
        bool present = false;
        if (!trap([&] { present = dans ? dans->present(sansBlanc(), telQuel) : fichierPresent(sansBlanc()); }))
            return Presence::Unknown;
        return present ? Presence::Present : Presence::Missing;
    };
    Presence presence = cherche(liste);
    bool refusee = false; // the creation found the name taken and left it as it is
    if (presence == Presence::Missing && NoFichier >= 43 && NoFichier <= 45) {
        trap([&] {
            const bool exportation = false;
            CreationStructureVide(NoZone, NoFichier, QStringLiteral("FIC_FRAD0") + QString::number(NoFichier), Chemin,
                                  DossierDonnees, static_cast<int16_t>(NoStation), exportation, QString());
        });
        refusee = StatutBtr == recordmanager::status::FileExists;
        presence = cherche(nullptr);
        if (presence == Presence::Present && liste)
            liste->ajoute(sansBlanc());
    }
    EnregistrementBtr* enr = EnrBtr(NoFichier);
    if (presence == Presence::Missing) {
        // A hidden or system file, or a folder, holding the name keeps the
        // creation's "file exists".
        if (!refusee)
            StatutBtr = 12;
    } else if (!enr) {
        // Nothing of this program reads such a file: it is there, which is
        // all an open could tell (a creation just made left its 0 already).
        StatutBtr = presence == Presence::Present ? 0 : recordmanager::status::IoError;
    } else {
        // A file that could not be looked at is left to the record manager,
        // whose own status then tells what stands in the way.
        trap([&] {
            // The record manager may read the whole data length: never past the buffer.
            QByteArray image = enr->image();
            if (LngEnregistrement > image.size())
                image.append(LngEnregistrement - image.size(), '\0');
            QByteArray chemin = platform::ansi::encode(telQuel.isEmpty() ? Chemin : telQuel + u' ');
            if (chemin.size() < 255)
                chemin.append(255 - chemin.size(), '\0');
            int32_t longueur = LngEnregistrement;
            StatutBtr = RecordManagerAccess::current().call(0, position.data(), image.data(), &longueur,
                                                            chemin.data(), 255, ModeOuverture);
        });
    }
    if (StatutBtr == 0 && zoneValide(NoZone) && fichierValide(NoFichier) && NoStation >= 1 && NoStation <= kStations) {
        PositionBtr[NoZone][NoFichier][NoStation - 1] = position;
        LongueurEnrBtr[NoFichier] = static_cast<int16_t>(LngEnregistrement);
        return true;
    }
    if (StatutBtr == 0)
        StatutBtr = 11; // no table holds such a base, file or station
    trap([&] {
        QString chemin = Chemin;
        AjouteHistorique(NoZone, EnteteHistorique(NoFichier, NoStation, 0, 0) + services::ClearChaine(chemin) + u']');
    });
    detail::RapportErreur(NoZone, NoFichier, Chemin, QStringLiteral("Lib_Data_Pervasive:OuvertureFichierBTrieve"),
                          false, false);
    return false;
}

} // namespace

bool OuvertureFichierBTrieve(int16_t NoZone, int16_t NoFichier, QString Chemin, int32_t& LngEnregistrement,
                             int32_t NoStation, int16_t ModeOuverture, const QString& DossierDonnees)
{
    return ouvre(NoZone, NoFichier, std::move(Chemin), LngEnregistrement, NoStation, ModeOuverture, DossierDonnees,
                 nullptr);
}

bool BTr_Ouverture(int16_t NoZone, int16_t Selection, const QString& DossierDonnees, const int16_t& NoStation)
{
    if (!zoneValide(NoZone))
        return false;
    services::Trap trap(kSourceOuverture);
    const QString dossier = DossierDonnees.trimmed().isEmpty() ? services::RepBtr[NoZone] : DossierDonnees;
    const QString ini = services::RepConfig[NoZone] + QStringLiteral("ZT_BTR.ini");

    int premierFichier = 0, dernierFichier = kFichiers - 1;
    if (Selection == -999) {
        dernierFichier = 0;
    } else if (Selection < 0) {
        premierFichier = dernierFichier = -Selection;
        if (-Selection > kFichiers - 1)
            return true; // no such file: nothing to open
    }
    int premiereStation = 1, derniereStation = kStations;
    if (NoStation != -1) {
        if (NoStation < 1 || NoStation > kStations)
            return true;
        premiereStation = derniereStation = NoStation;
    }

    bool resultat = true;
    std::optional<ListeDossier> liste; // listed at the first open of the walk
    for (int f = premierFichier; f <= dernierFichier && resultat; ++f) {
        // The section's keys do not depend on the station: read once for all
        // the stations of the file, at the first that needs each of them.
        std::optional<QString> fichierIni, dossierIni, longueurIni;
        for (int s = premiereStation; s <= derniereStation; ++s) {
            if (FichiersAOuvrir[NoZone][f][s - 1] == 0 || FichiersOuverts[NoZone][f][s - 1] != 0)
                continue;
            QString& section = NomSectionBtr[NoZone][f];
            if (section.trimmed().isEmpty()) {
                section = QStringLiteral("Frad") + services::N2S(f, 3, 0, QStringLiteral("0"));
                if (f == 37)
                    section.replace(QStringLiteral("037"), QStringLiteral("035"));
            }
            const QString nomSection = QStringLiteral("FIC_") + section;
            auto lit = [&](const QString& cle) { return services::LectureIni(ini, nomSection, cle, QString()); };
            auto litUneFois = [&](std::optional<QString>& valeur, const QString& cle) {
                if (!valeur)
                    valeur = lit(cle);
                return *valeur;
            };

            QString nom;
            trap([&] {
                if (!fichierIni) {
                    fichierIni = lit(QStringLiteral("Fichier"));
                    if (fichierIni->isEmpty()) // once more: a share may answer late
                        fichierIni = lit(QStringLiteral("Fichier"));
                }
                nom = *fichierIni;
                if (nom.isEmpty()) {
                    nom = NomFichierBTR(static_cast<int16_t>(f), static_cast<int16_t>(s - 1));
                    nom.remove(QStringLiteral(".bt6"), Qt::CaseInsensitive);
                }
                if (nom.isEmpty()) {
                    const Cles defaut = sectionParDefaut(f);
                    if (!defaut.empty()) {
                        for (const auto& [cle, valeur] : defaut)
                            services::EcritureIni(ini, nomSection, cle, valeur);
                        fichierIni = lit(QStringLiteral("Fichier"));
                        dossierIni.reset();
                        longueurIni.reset();
                        nom = *fichierIni;
                    }
                }
            });

            if (nom.isEmpty()) {
                trap([&] {
                    if (f != 0) {
                        services::TraceLog(NoZone, -1, -1,
                                           QStringLiteral("Err: Fichier '") + section + QStringLiteral("' |") + ini +
                                               QStringLiteral(" inconnu"),
                                           false, true);
                        return;
                    }
                    if (!services::File_Exist(ini, QString::fromUtf16(kSourceOuverture), false)) {
                        boite(QStringLiteral("Fichier non trouvé: ") + ini);
                    } else {
                        boite(QStringLiteral("Clé non trouvée: FIC_") + section);
                        boite(QStringLiteral("Fichier: '") + ini + u'\'');
                    }
                    services::TraceLog(NoZone, -1, -1, QStringLiteral("Err: Problème à l'ouverture des fichiers BTrieve"),
                                       false, true);
                });
                resultat = false;
                continue;
            }

            int32_t longueur = 0;
            QString chemin;
            trap([&] {
                const QString parStation = litUneFois(dossierIni, QStringLiteral("Dossier"));
                longueur = longueurEnregistrement(litUneFois(longueurIni, QStringLiteral("Lng_Enregistrement")), f);
                if (parStation == u"O" && nom.size() >= 5)
                    nom[4] = QChar(64 + s);
                chemin = dossier + nom + QStringLiteral(".bt6 ");
            });
            if (!liste)
                liste.emplace(dossier);
            if (!ouvre(NoZone, static_cast<int16_t>(f), chemin, longueur, s, 0, dossier, &*liste)) {
                resultat = false;
                break;
            }
            FichiersOuverts[NoZone][f][s - 1] = -1;
        }
    }
    return resultat;
}

} // namespace qn3::database
