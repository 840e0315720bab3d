#include "database/error_report.h"

#include "database/call_block.h"
#include "platform/clock.h"
#include "services/formats.h"
#include "services/log_header.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"
#include "services/window_members.h"

#include <span>

namespace qn3::database {
namespace {

using services::UserInteraction;
namespace msgbox = services::msgbox;

const QChar kLf(10);

QString nomProgramme()
{
    QString nom = services::logheader::exeName();
    nom = nom.mid(nom.lastIndexOf(u'\\') + 1);
    const qsizetype point = nom.lastIndexOf(u'.');
    return point > 0 ? nom.left(point) : nom;
}

QString maintenant()
{
    return services::Date2StringEx(platform::Clock::current().localNow().dateTime(),
                                   services::FormatDate + QStringLiteral(" ") + services::FormatHeure);
}

bool restaurationConseillee(int16_t statut)
{
    return statut == 2 || statut == 14 || statut == 15 || statut == 19 || statut == 30 || (statut == 4 && OpBtr == 4);
}

// Shortest key buffer each key of a file needs, keys from 0.
std::span<const int> longueursCles(int fichier)
{
    static const int f0[] = {10}, f1[] = {8, 10}, f2[] = {10, 10}, f5[] = {16, 14, 6}, f7[] = {21, 13, 23, 21},
                     f10[] = {14}, f11[] = {83}, f12[] = {18, 50, 8, 8, 1, 7, 6}, f13[] = {33, 12, 18, 48, 15},
                     f14[] = {18, 1, 9}, f15[] = {53, 10}, f16[] = {53, 8}, f20[] = {5, 3, 20, 21}, f21[] = {10, 15},
                     f22[] = {8, 5, 5, 5, 5, 20}, f23[] = {8, 11, 25}, f26[] = {8, 19, 14, 39}, f27[] = {14, 8},
                     f28[] = {16, 8, 14}, f29[] = {18, 30, 8}, f30[] = {8}, f31[] = {11}, f33[] = {16, 19, 19},
                     f34[] = {14, 22, 54, 19, 19, 14}, f35[] = {19, 6, 16}, f36[] = {50, 30, 32, 30, 30, 10},
                     f38[] = {39, 30, 40};
    switch (fichier) {
    case 0: case 9: case 25: case 32: return f0;
    case 1: case 3: case 6: return f1;
    case 2: case 4: return f2;
    case 5: return f5;
    case 7: return f7;
    case 10: return f10;
    case 11: return f11;
    case 12: return f12;
    case 13: return f13;
    case 14: return f14;
    case 15: return f15;
    case 16: return f16;
    case 20: return f20;
    case 21: return f21;
    case 22: return f22;
    case 23: case 24: return f23;
    case 26: return f26;
    case 27: return f27;
    case 28: return f28;
    case 29: return f29;
    case 30: return f30;
    case 31: return f31;
    case 33: return f33;
    case 34: return f34;
    case 35: return f35;
    case 36: return f36;
    case 38: return f38;
    default: return {};
    }
}

} // namespace

QString ErreurBTrieveLibelle(int16_t Statut, const QString& Cle)
{
    QString texte = QString::number(Statut);
    switch (Statut) {
    case 1: texte += QStringLiteral(": The operation parameter is invalid"); break;
    case 2: texte += QStringLiteral(": The application encountered an I/O error"); break;
    case 3: texte += QStringLiteral(": The file is not open"); break;
    case 4: texte += QStringLiteral(": The application cannot find the key value"); break;
    case 5: texte += QStringLiteral(": The record has a key field containing a duplicate key value"); break;
    case 6: texte += QStringLiteral(": The key number parameter is invalid"); break;
    case 7: texte += QStringLiteral(": The key number has changed"); break;
    case 8: texte += QStringLiteral(": The current positioning is invalid"); break;
    case 11: texte += QStringLiteral(": The specified filename is invalid |") + Cle; break;
    case 12: texte += QStringLiteral(": The MicroKernel cannot find the specified file |") + Cle; break;
    case 18: texte += QStringLiteral(": The disk is full"); break;
    case 19: texte += QStringLiteral(": The application encountered an unrecoverable error"); break;
    case 30: texte += QStringLiteral(": The file specified is not a MicroKernel file"); break;
    case 46: texte += QStringLiteral(": Access to the requested file is denied (File locked ?)"); break;
    case 2007: texte += QStringLiteral(": A pointer parameter is invalid"); break;
    default:
        if (Statut >= 3103 && Statut <= 3132)
            texte += QStringLiteral(": Network error");
    }
    return QStringLiteral("Err:") + texte + kLf;
}

namespace detail {

void FinProgramme()
{
    // The operator's Abort must not cost the lines that explain it: the same
    // last write as every other ending, the main window's waiting lines
    // included, into a log folder made for the purpose when none is set yet.
    services::TraceLogFinDuProgramme();
    UserInteraction::current().endProgram();
}

bool RapportErreur(int16_t NoZone, int16_t NoFichier, const QString& Cle, const QString& SubAppelant, bool Court,
                   bool InfoSeule)
{
    if (StatutBtr == 0)
        return false;
    bool fin = false;
    QString texte;
    services::Trap trap(u"Lib_Data_Pervasive:ErreurBTrieve");
    trap([&] {
        if (NoFichier < 0) {
            texte = maintenant() + kLf;
        } else {
            const QString section =
                zoneValide(NoZone) && fichierValide(NoFichier) ? NomSectionBtr[NoZone][NoFichier] : QString();
            texte = QStringLiteral("Fichier: ") + section + QStringLiteral(" |") + nomProgramme() +
                    QStringLiteral(" |") + maintenant() + kLf;
        }
    });
    trap([&] { texte += ErreurBTrieveLibelle(StatutBtr, Cle) + kLf; });
    if (!Court) {
        trap([&] {
            PrefixeStatutHistorique(NoZone, StatutBtr);
            if (!zoneValide(NoZone))
                return;
            for (int i = 0; i < kLignesHistorique; ++i) {
                const QString& ligne = HistoriqueBtr[NoZone][i];
                if (!ligne.trimmed().isEmpty())
                    texte += QStringLiteral(" ") + QString::number(i) + u'>' + ligne + kLf;
            }
        });
        if (restaurationConseillee(StatutBtr))
            texte += kLf + QStringLiteral("Faîtes une restauration de ce fichier") + kLf;
    }
    if (StatutBtr == 80)
        return false;
    if (StatutBtr >= 3000 && StatutBtr <= 3132) {
        trap([&] {
            services::TraceLogEncadre(NoZone, -1, -1,
                                      QStringLiteral("Err: Network Pervasive errors: ") + QString::number(StatutBtr),
                                      QStringLiteral("="), true);
        });
        texte = QStringLiteral("Le programme a rencontré un problème de connexion au serveur.") + kLf + kLf +
                QStringLiteral("Veuillez vérifier la connectique de votre réseau.");
    }
    trap([&] {
        if (InfoSeule) {
            UserInteraction::current().askMessageBox(
                {texte, msgbox::OkOnly | msgbox::Information, services::Frm_Main().Caption});
            return;
        }
        const int32_t reponse = UserInteraction::current().askMessageBox(
            {texte, msgbox::AbortRetryIgnore | msgbox::Critical, SubAppelant});
        fin = reponse == msgbox::AnswerAbort || reponse == msgbox::AnswerCancel;
    });
    if (fin)
        FinProgramme();
    return fin;
}

} // namespace detail

void ErreurBTrieve(int16_t NoZone, int16_t NoFichier, const QString& Cle, const QString& SubAppelant, bool Court,
                   bool InfoSeule)
{
    detail::RapportErreur(NoZone, NoFichier, Cle, SubAppelant, Court, InfoSeule);
}

void BTrieveTestCle(int16_t Operation, const QString& Cle, int16_t NoCle, int16_t NoFichier,
                    const QString& SubAppelant)
{
    if (Operation == 19 || Operation == 20 || Operation == 21 || Operation == 1019)
        return;
    const std::span<const int> longueurs = longueursCles(NoFichier);
    if (NoCle < 0 || NoCle >= static_cast<int>(longueurs.size()) || Cle.size() >= longueurs[NoCle])
        return;
    services::Trap trap(u"Lib_Data_Pervasive:BTrieveTestCle");
    trap([&] {
        const QString texte = QStringLiteral("Key too short: Fichier:") + QString::number(NoFichier) +
                              QStringLiteral(" N° Clé:") + QString::number(NoCle) + QStringLiteral(" Longueur Clé:") +
                              QString::number(Cle.size()) + QStringLiteral(" Opération:") +
                              QString::number(Operation) + kLf + QStringLiteral("Key:") + Cle + kLf +
                              QStringLiteral(" |Source:") + SubAppelant;
        UserInteraction::current().askMessageBox(
            {texte, msgbox::OkOnly | msgbox::Critical, services::Frm_Main().Caption});
    });
}

} // namespace qn3::database
