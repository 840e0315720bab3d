#include "database/catalogue.h"

#include "services/formats.h"
#include "services/trap.h"

#include <initializer_list>

namespace qn3::database {
namespace {

struct Entree {
    int fichier;
    const char16_t* libelle;
    char16_t dossier;
    int32_t longueur;
    int32_t page;
    std::initializer_list<SegmentCle> segments;
};

// The suite's own description of its files. The files this program never
// opens nor creates are described by label, kind and record length only.
const std::initializer_list<Entree> kEntrees = {
    {0, u"Paramétrage", u'N', 1000, 1024, {{1, 10, 2}}},
    {1, u"Commerciaux", u'N', 300, 1024, {{1, 8, 2}, {9, 10, 1027}}},
    {2, u"Secteurs d'activité", u'N', 100, 512, {{1, 10, 2}, {11, 10, 1027}}},
    {3, u"Clients", u'N', 900, 1024, {{1, 8, 2}, {9, 10, 1027}}},
    {4, u"Produits", u'N', 100, 512, {{1, 10, 2}, {11, 10, 1027}}},
    {5, u"Entêtes des contrats", u'O', 150, 512, {{1, 16, 2}, {3, 14, 2}, {11, 6, 2}}},
    {6, u"Entêtes des spots", u'O', 400, 512, {{1, 8, 2}, {9, 10, 1027}}},
    {7, u"Dates de programmation des passages des spots", u'O', 100, 512,
     {{1, 21, 2}, {9, 13, 3}, {26, 10, 19}, {9, 13, 3}, {36, 21, 3}}},
    {9, u"Paramétrage (Backup)", u'N', 1000, 0, {}},
    {10, u"Publicité: Données programmées", u'O', 400, 512, {{1, 14, 2}}},
    {11, u"Gestion des droits des utilisateurs", u'N', 350, 0, {}},
    {12, u"Publicité: Système Tiers: Campagnes", u'N', 300, 1536,
     {{1, 18, 2}, {19, 50, 3}, {69, 8, 3}, {77, 8, 3}, {135, 1, 3}, {136, 7, 3}, {137, 6, 3}}},
    {13, u"Publicité: Système Tiers: Spots", u'N', 300, 1536,
     {{1, 33, 2}, {49, 12, 3}, {1, 3, 19}, {34, 15, 3}, {1, 48, 3}, {170, 15, 3}}},
    {14, u"Publicité: Système Tiers: Messages", u'N', 300, 1536, {{1, 18, 2}, {19, 1, 3}, {20, 9, 3}}},
    {15, u"Publicité: Système Tiers: Produits", u'N', 100, 1536, {{1, 53, 2}, {54, 10, 3}}},
    {16, u"Publicité: Système Tiers: Clients", u'N', 100, 1536, {{1, 53, 2}, {54, 8, 3}}},
    {17, u"V 3.4 Planification", u'O', 1000, 2048, {{1, 14, 2}, {15, 8, 3}}},
    {18, u"V 3.4 Log Pub", u'O', 250, 512, {{1, 14, 3}, {15, 16, 3}, {31, 16, 3}}},
    {19, u"Télé: Système Tiers: Telvane", u'N', 1000, 0, {}},
    {20, u"Artistes", u'O', 300, 0, {}},
    {21, u"Voix, Groupe, Sonorité, Catégorie, ...", u'O', 980, 0, {}},
    {22, u"Morceaux", u'O', 900, 2048,
     {{1, 8, 2}, {9, 5, 3}, {19, 5, 3}, {64, 5, 3}, {69, 5, 3}, {24, 20, 1027}}},
    {23, u"Piles de morceaux par sujet", u'O', 100, 0, {}},
    {24, u"Piles de morceaux par catégorie", u'O', 100, 0, {}},
    {25, u"Priorités", u'O', 250, 0, {}},
    {26, u"Table des morceaux pour le magnétophone", u'O', 150, 512,
     {{1, 8, 3}, {9, 19, 3}, {28, 14, 3}, {42, 39, 1027}}},
    {27, u"Conducteur publicité", u'O', 50, 512, {{1, 14, 2}, {15, 8, 3}}},
    {28, u"Evénements musicaux réellement diffusés", u'O', 150, 0, {}},
    {29, u"Morceaux (Clés complémentaires)", u'O', 100, 0, {}},
    {30, u"Squelette des horloges", u'O', 250, 0, {}},
    {31, u"Pointeurs de start, stop, loop, ...", u'O', 50, 512, {{1, 11, 2}}},
    {32, u"Renseignements complémentaires sur les morceaux", u'O', 250, 1024, {{1, 10, 2}}},
    {33, u"Historique des artistes et groupes programmés", u'O', 100, 0, {}},
    {34, u"Historique des morceaux programmés", u'O', 200, 0, {}},
    {35, u"Historique des événements programmés", u'O', 400, 0, {}},
    {36, u"Base de référence pour les titres", u'N', 800, 0, {}},
    {40, u"Morceaux non diffusés", u'O', 900, 1024, {{1, 8, 3}, {9, 14, 3}}},
    {41, u"Convert Entête", u'N', 900, 0, {}},
    {42, u"Convert Détail", u'N', 900, 0, {}},
    {43, u"Podcast: Emission", u'O', 4000, 4096, {{1, 8, 2}, {9, 60, 1027}}},
    {44, u"Podcast: Articles des Emissions", u'O', 4000, 4096, {{1, 8, 2}, {9, 21, 3}, {30, 60, 1027}}},
    {45, u"Podcast: Images des Emissions ou des Articles", u'O', 4000, 4096, {{1, 8, 2}}},
};

} // namespace

void InitGeneralData()
{
    services::Trap trap(u"Lib_Data_Pervasive:InitGeneralData");
    for (const Entree& e : kEntrees) {
        trap([&] {
            DescriptionFichierBtr d;
            d.Libelle = QString::fromUtf16(e.libelle);
            d.Fichier = (QStringLiteral("FRAD") + services::N2S(e.fichier, 3, 0, QStringLiteral("0"))).leftJustified(8);
            d.Dossier = QChar(e.dossier);
            d.Compression = QStringLiteral("N");
            d.Lng_Enregistrement = e.longueur;
            d.Lng_Page = e.page;
            int s = 0;
            for (const SegmentCle& segment : e.segments) {
                d.Cle[s++] = segment;
                if ((segment.Flg & 16) == 0)
                    ++d.Nb_Cle; // a key ends with its first segment not continued
            }
            CatalogueFichiers.at(e.fichier) = d;
        });
    }
}

QString NomFichierBTR(int16_t NoFichier, int16_t IndexStation)
{
    QString nom;
    services::Trap trap(u"Lib_Data_Pervasive:NomFichierBTR");
    trap([&] {
        const DescriptionFichierBtr& d = CatalogueFichiers.at(NoFichier);
        nom = d.Fichier.trimmed() + QStringLiteral(".bt6");
        if (d.Dossier == u"O" && nom.size() >= 5)
            nom[4] = QChar(65 + IndexStation);
    });
    return nom;
}

} // namespace qn3::database
