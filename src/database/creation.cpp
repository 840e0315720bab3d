#include "database/creation.h"

#include "database/call_block.h"
#include "database/record_manager_access.h"
#include "platform/ansi.h"
#include "platform/runtime_error.h"
#include "recordmanager/record_manager_codes.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/shared_values.h"
#include "services/trap.h"

#include <QtEndian>

#include <array>
#include <limits>

namespace qn3::database {
namespace {

constexpr int kTailleSpec = 160;
constexpr int kSegments = 8;

// Module state of the creation: the creation buffer and its position block
// live for the whole run.
std::array<char, kTailleSpec> gSpec{};
PositionBlock gPosition{};

// The section's numbers are 16-bit: a value that does not fit is an overflow.
int16_t entier16(QStringView texte)
{
    const double valeur = services::Val(texte);
    const int32_t arrondi = services::CLng(valeur);
    if (arrondi < std::numeric_limits<int16_t>::min() || arrondi > std::numeric_limits<int16_t>::max())
        throw platform::RuntimeError(6, platform::runtimeErrorText(6));
    return static_cast<int16_t>(arrondi);
}

void ecrit16(int offset, int16_t valeur) { qToLittleEndian(valeur, gSpec.data() + offset); }

} // namespace

QByteArray SpecFichierBtr() { return QByteArray(gSpec.data(), kTailleSpec); }

void CreationStructureVide(int16_t NoZone, int16_t NoFichier, const QString& Section, QString& Chemin,
                           const QString& DossierDonnees, int16_t NoStation, const bool& Export,
                           const QString& Extension)
{
    Q_UNUSED(NoFichier);
    services::Trap trap(u"Lib_Data_Pervasive:CreationStructureVide");
    QString ini, fichier, dossier;
    int16_t longueur = 0, page = 0, nbCles = 0;
    std::array<QString, kSegments> cles;
    trap([&] { ini = services::RepConfig.at(NoZone) + QStringLiteral("ZT_BTR.ini"); });
    auto lit = [&](const QString& cle, const QString& defaut) {
        return services::LectureIni(ini, Section, cle, defaut);
    };
    trap([&] { fichier = lit(QStringLiteral("Fichier"), QString()); });
    trap([&] { dossier = lit(QStringLiteral("Dossier"), QStringLiteral("N")); });
    trap([&] { longueur = entier16(lit(QStringLiteral("Lng_Enregistrement"), QString())); });
    trap([&] { page = entier16(lit(QStringLiteral("Lng_Page"), QString())); });
    trap([&] { nbCles = std::min<int16_t>(entier16(lit(QStringLiteral("Nb_Cle"), QString())), kSegments); });
    for (int k = 0; k < kSegments; ++k)
        trap([&] { cles[k] = lit(QStringLiteral("CLE_") + services::N2S(k, 2, 0, QStringLiteral("0")), QString()); });

    // Case-insensitive keys only where the site asks for them.
    QString casse;
    trap([&] {
        casse = services::LectureIni(services::RepConfig.at(NoZone) + QStringLiteral("ZT_SYS.ini"),
                                     QStringLiteral("BTrieve"), QStringLiteral("Casse"), QStringLiteral("0FF"));
    });
    if (casse != u"ON") {
        for (QString& texte : cles) {
            trap([&] {
                const int16_t drapeaux = entier16(QStringView(texte).mid(22, 4));
                if (drapeaux > 1024)
                    texte.replace(22, 4, services::N2S(drapeaux - 1024, 4, 0, QStringLiteral("0")));
            });
        }
    }

    QString nom = fichier;
    if (!nom.isEmpty()) {
        const QString prefixe = Export ? QStringLiteral("FExp") : QStringLiteral("Frad");
        nom.replace(0, std::min<qsizetype>(4, nom.size()), prefixe.left(nom.size()));
        if (dossier == u"O" && nom.size() >= 5)
            nom[4] = QChar(64 + NoStation);
    }
    Chemin = DossierDonnees + nom +
             (Extension.trimmed().isEmpty() ? QStringLiteral(".bt6") : Extension) + u' ';
    if (nom.isEmpty()) {
        // No name, no file: a create on the bare folder would make a stray ".bt6".
        StatutBtr = 11;
        return;
    }

    gPosition.fill(' ');
    ecrit16(0, longueur);
    ecrit16(2, page);
    ecrit16(4, nbCles);
    ecrit16(10, 8);
    for (int k = 0; k < kSegments; ++k) {
        trap([&] {
            const QStringView texte(cles[k]);
            const int16_t lng = entier16(texte.mid(13, 4));
            if (lng == 0)
                return;
            const int base = 16 + 16 * k;
            ecrit16(base, entier16(texte.mid(4, 4)));
            ecrit16(base + 2, lng);
            ecrit16(base + 4, entier16(texte.mid(22, 4)));
            std::fill(gSpec.begin() + base + 6, gSpec.begin() + base + 16, '\0');
        });
    }
    trap([&] {
        QByteArray chemin = platform::ansi::encode(Chemin);
        const int16_t longueurChemin = static_cast<int16_t>(std::min<qsizetype>(Chemin.size(), 32767));
        chemin.append('\0');
        int32_t longueurSpec = kTailleSpec;
        // Never over a file that is there, whatever it holds: a hidden one
        // is still somebody's records. The record manager then answers 59.
        StatutBtr = RecordManagerAccess::current().call(14, gPosition.data(), gSpec.data(), &longueurSpec,
                                                        chemin.data(), longueurChemin,
                                                        recordmanager::createmode::KeepExisting);
    });
}

} // namespace qn3::database
