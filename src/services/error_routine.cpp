#include "services/error_routine.h"

#include "platform/restart.h"
#include "platform/runtime_error.h"
#include "platform/shortcut.h"
#include "platform/special_folders.h"
#include "services/file_operations.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/window_members.h"

namespace qn3::services {
namespace {

// Set for the length of one report, so that a failure raised while the
// report is written (by the trace log) cannot start a second one.
bool Occupe = false;

constexpr uint32_t kComponentFirst = 0x80040000u;
constexpr uint32_t kComponentLast = 0x8004FFFFu;
constexpr int kLongDescription = 100;
constexpr int32_t kMinWait = 1000;
constexpr int32_t kMaxWait = 120000;

// A failure inside the routine is skipped: the next step still runs.
template <class Step>
void skipFailure(Step&& step) noexcept
{
    try {
        step();
    } catch (...) {
    }
}

QString errorText(int32_t number, bool reduced, const QString& Source)
{
    QString description = InfoErreur.Description;
    if (description.size() > kLongDescription)
        description.replace(QStringLiteral(". "), QStringLiteral("\n "));
    QString text = QStringLiteral("Err:") + QString::number(number) + QStringLiteral(" (") + description + u')';
    if (!Source.trimmed().isEmpty())
        text += QStringLiteral("\n\nSource:") + Source + u':' + QString::number(InfoErreur.Ligne);
    if (reduced && !InfoErreur.Source.trimmed().isEmpty())
        text += QStringLiteral("\n(Source: ") + InfoErreur.Source + u')';
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

void GestionDesErreurs(const QString& Source)
{
    if (FermetureEnCours || Occupe)
        return;
    Occupe = true;
    int32_t number = InfoErreur.Numero;
    bool reduced = false;
    const auto asUnsigned = static_cast<uint32_t>(number);
    if (asUnsigned > kComponentFirst && asUnsigned < kComponentLast) {
        number = static_cast<int32_t>(asUnsigned - kComponentFirst);
        reduced = true;
    }
    if (number != 0) {
        const QString rule = QStringLiteral("=");
        skipFailure([&] { TraceLogEncadre(-1, -1, -1, errorText(number, reduced, Source), rule, true); });
        if (number == kAutomationDisconnected) {
            skipFailure([&] {
                TraceLogEncadre(-1, -1, -1, QStringLiteral("Reboot the Computer because of Automation Error, "), rule, true);
            });
            skipFailure([&] {
                int32_t wait = 10000;
                CreateShortCutStartUp(true, wait, QStringLiteral("Lib_Public:GestionDesErreurs"));
            });
            skipFailure([&] { ShutdownWindows(platform::exitflags::Reboot); });
        }
    }
    Occupe = false;
}

void CreateShortCutStartUp(bool Creer, int32_t& DureeAttente, const QString& Source)
{
    QString path;
    Trap trap(u"Lib_Systeme:CreateShortCutStartUp");
    trap.setReport([&] {
        if (InfoErreur.Numero == kShortcutInUse) {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: Unable to create the shortcut: ") + path
                         + QStringLiteral(" |Source: Lib_Systeme:CreateShortCutStartUp:") + QString::number(InfoErreur.Ligne),
                     false, true);
        } else {
            GestionDesErreurs(Source + QStringLiteral(">Lib_Systeme:CreateShortCutStartUp"));
        }
    });
    trap(1, [&] {
        path = CheckRep(platform::specialFolder(platform::csidl::Startup)) + QString::fromUtf16(kStartUpShortcutName);
    });
    trap(2, [&] { DureeAttente = std::clamp(DureeAttente, kMinWait, kMaxWait); });
    if (Creer) {
        trap(3, [&] {
            // The program's file has no ".exe" here: the shortcut must name
            // the file that exists, or the program never comes back.
            const QString exe = RepApplication + QStringLiteral("QN3_Tools_Vandrel");
            platform::shortcut::Shortcut shortcut;
            shortcut.targetPath = exe;
            shortcut.arguments = QStringLiteral(" /Wait=") + QString::number(DureeAttente);
            shortcut.workingDirectory = RepApplication.left(RepApplication.size() - 1);
            shortcut.iconLocation = exe;
            shortcut.description = QStringLiteral("Lancer le Tools Vandrel Quillon");
            platform::shortcut::write(path, shortcut);
        });
    } else {
        trap(4, [&] {
            const QString label = QStringLiteral("Lib_Systeme:CreateShortCutStartUp");
            if (File_Exist(path, label, false))
                File_Delete(path, label, 0, Frm_Main().hWnd);
        });
    }
}

void ShutdownWindows(int32_t Flags)
{
    Trap trap(u"Lib_Systeme:ShutdownWindows");
    trap([&] { platform::Restart::current().exitWindows(static_cast<uint32_t>(Flags) | platform::exitflags::Force); });
}

void TEST_resetErrorRoutine()
{
    Occupe = false;
    InfoErreur = InfoErreurRecord{};
}

} // namespace qn3::services
