#include "services/outside_programs.h"

#include "platform/ansi.h"
#include "platform/processes.h"
#include "platform/registry_store.h"
#include "platform/runtime_error.h"
#include "services/clocks.h"
#include "services/file_operations.h"
#include "services/os_facts.h"
#include "services/path_names.h"
#include "services/registry_access.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/user_interaction.h"
#include "services/window_members.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <optional>
#include <poll.h>

// Map of this file: the shell's failures - ExecuterProgrammeExterne -
// AttenteFinProcessusExterne - ConvertSonDetermineVersion.

namespace qn3::services {
namespace {

// ---- The shell's failures ----------------------------------------------------

struct ShellFailure {
    int32_t numero;
    QString message;
};

// The component-error base plus 1048: the number of the failures that have
// no run-time error of their own, offset by the shell's value.
constexpr int64_t kBaseErreurShell = -2147221504LL + 1048;

int32_t baseNumber(int32_t shellResult) { return static_cast<int32_t>(static_cast<uint32_t>(shellResult + kBaseErreurShell)); }

ShellFailure failureOf(int32_t r)
{
    switch (r) {
    case 0:
    case 8: return {7, QStringLiteral("Dépassement de mémoire")};
    case 2: return {53, QStringLiteral("Fichier non trouvé")};
    case 3: return {76, QStringLiteral("Chemin d'accès non trouvé")};
    case 5:
    case 26: return {75, QStringLiteral("Violation de partage: Erreur d'accès au Dossier/Fichier")};
    case 11: return {baseNumber(r), QStringLiteral("Cet exécutable est invalide ou corrompu")};
    case 27:
    case 31: return {baseNumber(r), QStringLiteral("Il n'y a aucune application associée à ce type de fichier")};
    case 28:
        return {286, QStringLiteral("Le fichier ne peut être ouvert car le délai d'attente est dépassé. Réessayez plus tard")};
    case 29:
        return {285, QStringLiteral("Le fichier ne peut être ouvert car la transaction DDE a échoué. Réessayez plus tard")};
    case 30: return {285, QStringLiteral("Le fichier ne peut être ouvert car l'application est occupée. Réessayez plus tard")};
    case 32: return {48, QStringLiteral("Le fichier dll ne peut être trouvé")};
    default: return {baseNumber(r), QStringLiteral("Erreur à l'ouverture ou l'impression du fichier sélectionné")};
    }
}

// The running program's file name without its extension.
QString executableName() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }

// The texts reach the shell through its ANSI form.
QString ansiForm(const QString& text) { return platform::ansi::decode(platform::ansi::encode(text)); }

QString tropLong(int32_t delai)
{
    return QStringLiteral("Err: AttenteFinProcessusExterne: Too long waiting |Max: ") + QString::number(delai)
           + QStringLiteral(" ms");
}

} // namespace

// ---- ExecuterProgrammeExterne ---------------------------------------------------

int32_t ExecuterProgrammeExterne(int32_t Fenetre, const QString& Operation, const QString& Fichier,
                                 const QString& Parametres, const QString& Dossier, int32_t Affichage)
{
    int32_t resultat = 0;
    Trap trap(u"Lib_Systeme:ExecuterProgrammeExterne");
    trap([&] {
        resultat = platform::ShellExecutor::current().execute(
            {Fenetre, ansiForm(Operation), ansiForm(Fichier), ansiForm(Parametres), ansiForm(Dossier), Affichage});
    });
    if (resultat > 32)
        return resultat;
    const ShellFailure failure = failureOf(resultat);
    trap([&] {
        throw platform::RuntimeError(failure.numero, failure.message,
                                     executableName() + QStringLiteral(".ExecuterProgrammeExterne"));
    });
    // The suite's player shares this procedure and also traces the failure.
    if (executableName().toUpper() == u"QN3_DIFFUSEUR")
        TraceLog(-1, -1, -1, QStringLiteral("Err: ") + failure.message + QStringLiteral(" |File: ") + Fichier, false, true);
    return resultat;
}

// ---- AttenteFinProcessusExterne --------------------------------------------------

int32_t AttenteFinProcessusExterne(int32_t IdProcessus, const int32_t& DelaiMaximum)
{
    uint32_t code = 0;
    Trap trap(u"Lib_Systeme:AttenteFinProcessusExterne");
    std::optional<platform::ProcessHandle> process;
    trap([&] {
        process = platform::ProcessHandle::open(IdProcessus);
        if (process)
            code = process->exitCode();
    });
    if (!process || code != platform::kStillActive)
        return static_cast<int32_t>(code);

    trap([&] {
        const int64_t debut = GetTickCount64();
        if (QCoreApplication::instance() == nullptr) {
            // No event loop to keep alive (a tool without application object):
            // block on the process's end instead, within the limit.
            pollfd fin{process->descriptor(), POLLIN, 0};
            const int64_t attente = DelaiMaximum >= 1 ? int64_t(DelaiMaximum) + 1 : -1;
            ::poll(&fin, 1, static_cast<int>(std::min<int64_t>(attente, std::numeric_limits<int>::max())));
            code = process->exitCode();
            if (code == platform::kStillActive)
                TraceLog(-1, -1, -1, tropLong(DelaiMaximum), true, true);
            return;
        }
        // The loop sleeps until the process ends or the limit may have
        // passed; whatever else arrives meanwhile (timers, clicks) is handled.
        QEventLoop loop;
        bool termine = false;
        QSocketNotifier fin(process->descriptor(), QSocketNotifier::Read);
        QObject::connect(&fin, &QSocketNotifier::activated, &loop, [&] {
            termine = true;
            loop.quit();
        });
        QTimer limite;
        limite.setSingleShot(true);
        limite.setTimerType(Qt::PreciseTimer);
        QObject::connect(&limite, &QTimer::timeout, &loop, &QEventLoop::quit);
        while (code == platform::kStillActive) {
            if (DelaiMaximum >= 1) {
                const int64_t ecoule = std::abs(GetTickCount64() - debut);
                if (ecoule > DelaiMaximum) {
                    TraceLog(-1, -1, -1, tropLong(DelaiMaximum), true, true);
                    break;
                }
                const int64_t reste = DelaiMaximum - ecoule + 1;
                limite.start(static_cast<int>(std::min<int64_t>(reste, std::numeric_limits<int>::max())));
            }
            loop.exec();
            code = process->exitCode();
            // Ended, whatever code it chose (even 259): no more waiting.
            if (termine)
                break;
        }
    });
    return static_cast<int32_t>(code);
}

// ---- ConvertSonDetermineVersion -------------------------------------------------

namespace {

constexpr int32_t kCsidlProgramFiles = 38;

// Where the "App Paths" key of `programme` says it lives, else the default
// folder; the full path of the program.
QString cheminConverter(const QString& programme, const QString& dossierDefaut)
{
    QString chemin;
    Reg_GetValue(platform::HKEY_LOCAL_MACHINE,
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + programme,
                 QStringLiteral("Path"), chemin);
    if (chemin.isEmpty())
        chemin = dossierDefaut + QStringLiteral("Illustrate\\dBpowerAMP\\");
    return CheckRep(chemin) + programme;
}

} // namespace

bool ConvertSonDetermineVersion(bool& NouvelleVersion, QString& Chemin, const bool& AfficherMessage)
{
    const QString appelant = QStringLiteral("Lib_Public:ConvertSonDetermineVersion");
    Trap trap(u"Lib_Public:ConvertSonDetermineVersion");
    QString dossierDefaut;
    trap([&] { dossierDefaut = CheckRep(GetSpecialFolderLocation(kCsidlProgramFiles)); });

    bool trouve = false;
    trap([&] {
        Chemin = cheminConverter(QStringLiteral("CoreConverter.exe"), dossierDefaut);
        trouve = File_Exist(Chemin, appelant, false);
    });
    if (trouve) {
        NouvelleVersion = true;
        return true;
    }
    trap([&] {
        Chemin.clear();
        Chemin = cheminConverter(QStringLiteral("MusicConverter.exe"), dossierDefaut);
        trouve = File_Exist(Chemin, appelant, false);
    });
    if (trouve) {
        NouvelleVersion = false;
        return true;
    }
    if (AfficherMessage) {
        trap([&] {
            UserInteraction::current().askMessageBox(
                {QStringLiteral("dBPowerAmp n'est pas installé sur ce poste. Le Converter ne peut fonctionner"),
                 msgbox::OkOnly | msgbox::Critical, Frm_Main().Caption});
        });
    }
    return false;
}

} // namespace qn3::services
