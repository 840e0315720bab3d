#include "database/call_layer.h"

#include "database/error_report.h"
#include "database/record_buffers.h"
#include "database/record_manager_access.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "services/formats.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"

#include <algorithm>
#include <array>

namespace qn3::database {
namespace {

constexpr char16_t kSource[] = u"Lib_Data_Pervasive:BTRieve";
constexpr int kRepetitions = 10;
// The key buffer is declared to the record manager with this length.
constexpr int kLongueurCle = 255;

enum class Image { Tampon, Brouillon };

// One call of the record manager on `enr`. With Image::Brouillon the record
// goes into a scratch copy, so the file's buffer keeps what the caller put
// there. A data length longer than the layout gets an image extended by the
// tail the record held at its last read.
int16_t appel(EnregistrementBtr& enr, uint16_t operation, PositionBlock& position, int32_t& longueur, QString& cle,
              int16_t noCle, Image image)
{
    // The key travels in a stack buffer: this runs for every record operation.
    // A key that the code page carries whole and that comes back as it went
    // is left as it is.
    std::array<char, kLongueurCle + 1> pile{}, envoye;
    QByteArray tas;
    char* octetsCle = pile.data();
    const qsizetype longueurTexte = cle.size();
    bool entiere = longueurTexte <= kLongueurCle;
    if (!entiere) {
        tas = platform::ansi::encode(cle);
        octetsCle = tas.data();
    } else {
        for (qsizetype i = 0; i < longueurTexte; ++i) {
            const char16_t caractere = cle[i].unicode();
            const unsigned char octet = platform::ansi::toByte(caractere);
            entiere = entiere && platform::ansi::toUnicode(octet) == caractere;
            pile[i] = static_cast<char>(octet);
        }
        envoye = pile;
    }

    const int taille = enr.taille();
    int16_t statut;
    if (image == Image::Tampon && longueur <= taille) {
        statut = RecordManagerAccess::current().call(operation, position.data(), enr.data(), &longueur,
                                                     octetsCle, kLongueurCle, noCle);
    } else {
        QByteArray brouillon = enr.image();
        if (longueur > taille) {
            QByteArray queue = enr.queue().left(longueur - taille);
            queue.append(longueur - taille - queue.size(), '\0');
            brouillon += queue;
        }
        statut = RecordManagerAccess::current().call(operation, position.data(), brouillon.data(), &longueur,
                                                     octetsCle, kLongueurCle, noCle);
        if (image == Image::Tampon) {
            std::copy_n(brouillon.cbegin(), taille, enr.data());
            enr.queue() = brouillon.mid(taille);
        }
    }
    if (!entiere || !std::equal(pile.cbegin(), pile.cbegin() + longueurTexte, envoye.cbegin()))
        cle = platform::ansi::decode(QByteArrayView(octetsCle, longueurTexte));
    return statut;
}

// Places `position` back on the record it stood on, as the file now holds
// it: its address by Get Position, then Get Direct into a scratch image, so
// the record buffer keeps the caller's record for the retry. A Get Equal on
// the key could land on another record with the same key value.
int16_t repositionne(PositionBlock& position, int32_t longueur, int16_t noCle)
{
    std::array<char, kLongueurCle + 1> cle{};
    QByteArray image(std::max<int32_t>(longueur, 4), '\0');
    int32_t taille = static_cast<int32_t>(image.size());
    RecordManagerAccess& acces = RecordManagerAccess::current();
    const int16_t statut = acces.call(22, position.data(), image.data(), &taille, cle.data(), kLongueurCle, noCle);
    if (statut != 0)
        return statut;
    taille = static_cast<int32_t>(image.size());
    return acces.call(23, position.data(), image.data(), &taille, cle.data(), kLongueurCle, noCle);
}

bool estVerrou(int16_t statut)
{
    switch (statut) {
    case 36: case 37: case 38: case 39: case 81: case 83: case 84: case 85: case 92: return true;
    default: return false;
    }
}

QString nonOuvert(int16_t zone, int16_t fichier)
{
    const QString nom = zoneValide(zone) && fichierValide(fichier) ? NomSectionBtr[zone][fichier] : QString();
    if (nom.trimmed().isEmpty())
        return QStringLiteral("Err: Fichier #: ") + QString::number(fichier) + QStringLiteral(" non ouvert");
    return QStringLiteral("Err: Fichier: ") + nom + QStringLiteral(" non ouvert");
}

} // namespace

int16_t BTRieve_Reel(int16_t& NoFichier, int16_t& Operation, PositionBlock& Position, int32_t& LongueurDonnees,
                     QString& Cle, int16_t& NoCle)
{
    int16_t statut = StatutBtr;
    EnregistrementBtr* enr = EnrBtr(NoFichier);
    if (!enr)
        return 0;
    services::Trap trap(u"Lib_Data_Pervasive:BTRieve_Reel");
    const bool positionnement = Operation == 22 || Operation == 23;
    // A record without leading fields keeps its buffer through 22 and 23.
    const bool sansTete = positionnement && enr->champsTete().empty();
    if (Operation == 23 && !sansTete)
        trap([&] { enr->setTexteTete(PositionSauveeBtr); });
    trap([&] {
        statut = appel(*enr, static_cast<uint16_t>(Operation), Position, LongueurDonnees, Cle, NoCle,
                       sansTete ? Image::Brouillon : Image::Tampon);
    });
    if (Operation == 22 && !sansTete)
        trap([&] { PositionSauveeBtr = enr->texteTete(); });
    return statut;
}

void BTRieve(int16_t NoZone, int16_t Operation, QString& Cle, int16_t NoCle, int16_t NoFichier, int32_t NoStation,
             const QString& SubAppelant, int16_t& Reserve)
{
    Q_UNUSED(Reserve);
    if ((Operation == 20 || Operation == 21) && !TransactionBtr)
        return;
    services::Trap trap(kSource);
    if (Operation == 10 || Operation == 11)
        Cle.replace(QChar(255), u'z');
    NoStation = std::max(NoStation, 1);
    if (!SubAppelant.trimmed().isEmpty()) {
        trap([&] {
            services::ClearChaine(Cle);
            if (zoneValide(NoZone))
                HistoriqueBtr[NoZone].ajouteAppel(NoFichier, NoStation, Operation, NoCle, Cle, SubAppelant);
        });
    }
    if (services::EnIDE)
        BTrieveTestCle(Operation, Cle, NoCle, NoFichier, SubAppelant);
    if (NoStation > kStations) {
        services::TraceLog(NoZone, -1, -1, QStringLiteral("Err: N° station hors limite: ") + QString::number(NoStation),
                           false, true);
        StatutBtr = Operation == 5 ? 4 : 9;
        return;
    }
    const int s = NoStation - 1;
    if (!zoneValide(NoZone) || !fichierValide(NoFichier) || FichiersAOuvrir[NoZone][NoFichier][s] == 0) {
        services::TraceLog(NoZone, -1, -1, nonOuvert(NoZone, NoFichier), false, true);
        StatutBtr = 20;
        if (!detail::RapportErreur(NoZone, NoFichier, Cle, QString::fromUtf16(kSource), false, false))
            detail::FinProgramme();
        return;
    }

    auto rapport = [&] { return detail::RapportErreur(NoZone, NoFichier, Cle, QString::fromUtf16(kSource), false, false); };
    // A re-read with Get Equal along the key of the call, from the attempt's cursor.
    auto relecture = [&](PositionBlock& position) {
        int32_t longueur = LongueurEnrBtr[NoFichier];
        int16_t statut = StatutBtr;
        trap([&] {
            EnregistrementBtr* enr = EnrBtr(NoFichier);
            statut = enr ? appel(*enr, 5, position, longueur, Cle, NoCle, Image::Tampon) : 0;
        });
        return statut;
    };

    int16_t dernier = StatutBtr;
    int repetitions = 0;
    for (bool encore = true; encore;) {
        encore = false;
        int32_t longueur = LongueurEnrBtr[NoFichier];
        PositionBlock position = PositionBtr[NoZone][NoFichier][s];
        if (Cle.isEmpty())
            Cle = QString(100, u' ');
        dernier = StatutBtr = BTRieve_Reel(NoFichier, Operation, position, longueur, Cle, NoCle);
        LongueurEnrBtr[NoFichier] = static_cast<int16_t>(longueur);
        PositionBtr[NoZone][NoFichier][s] = position;

        const int16_t statut = StatutBtr;
        if (statut == 0) {
            if (Operation == 19 || Operation == 1019)
                TransactionBtr = true;
            else if (Operation == 20 || Operation == 21)
                TransactionBtr = false;
        } else if (statut == 4 || statut == 5 || statut == 9) {
            if ((Operation == 2 || Operation == 3) && statut != 5 && rapport())
                return;
        } else if (statut == 7) {
            const bool lecture = Operation == 6 || Operation == 7;
            if ((Operation == 3 && NoFichier == 35) || (lecture && NoFichier == 34))
                continue;
            if (lecture) {
                PositionBlock copie = position;
                if (relecture(copie) == 0)
                    continue;
            }
            if (rapport())
                return;
            encore = true;
        } else if (statut == 54) {
            if (Operation == 3 && NoFichier == 35)
                StatutBtr = 0;
            else if (rapport())
                return;
        } else if (statut == 80) {
            if (++repetitions > kRepetitions) {
                // Given up: the caller's change is not in the file, and says so.
                services::TraceLog(NoZone, -1, -1,
                                   QStringLiteral("Err: Conflit persistant (80) sur le fichier: ") +
                                       NomSectionBtr[NoZone][NoFichier] + QStringLiteral(" Station:") +
                                       QString::number(NoStation) + QStringLiteral(" OP:") + QString::number(Operation),
                                   false, true);
                continue;
            }
            platform::Clock::current().sleep(500);
            if (Operation == 3 || Operation == 4) {
                // The cursor moves onto the same record as the file now holds
                // it: the retry writes the caller's record over the other
                // writer's (or deletes it), and touches no other record.
                PositionBlock curseur = position;
                int16_t statut = StatutBtr;
                trap([&] { statut = repositionne(curseur, longueur, NoCle); });
                // 22: a record longer than the data length, cut, but the cursor is on it.
                if (statut == 0 || statut == 22)
                    PositionBtr[NoZone][NoFichier][s] = curseur;
            }
            encore = true;
        } else if (estVerrou(statut)) {
            if (++repetitions > kRepetitions && rapport())
                return;
            platform::Clock::current().sleep(1000);
            encore = true;
        } else if (rapport()) {
            return;
        }
    }
    PrefixeStatutHistorique(NoZone, dernier);
}

} // namespace qn3::database
