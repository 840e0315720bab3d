#include "services/folders.h"

#include "platform/file_attributes.h"
#include "platform/plain_files.h"
#include "platform/runtime_error.h"
#include "platform/system_facts.h"
#include "services/error_routine.h"
#include "services/name_cleaning.h"
#include "services/path_names.h"
#include "services/trace_log.h"
#include "services/trap.h"

#include <utility>

// Map of this file:
//   Remembered lists   the four lists of the run and the last path
//   Disk               the folder test and the three ways to make a level
//   Procedures

namespace qn3::services {
namespace {

// ---- Remembered lists ---------------------------------------------------------

// Each list is one text of folders each followed by its separator; a folder
// is in a list when its text occurs anywhere in it, ignoring case, so the
// parent of a listed folder counts as listed.
struct Lists {
    QString trouves;    // FolderFound: present (",,")
    QString nonTrouves; // FolderFound: missing (",,"; starts with ",,", matched whole)
    QString connus;     // VerificationEtCreationRepertoire: present or made (","; starts as ",")
    QString echecs;     // VerificationEtCreationRepertoire: could not be made (",")
    QString dernier;    // the last path it handled
};

Lists lists;

bool holds(const QString& list, const QString& text) { return list.contains(text, Qt::CaseInsensitive); }

// ---- Disk ---------------------------------------------------------------------

// Dir(folder, vbDirectory) yields an entry: the folder is there. A drive with
// no mapping or a malformed name is a bad file name (52), as Dir says it.
bool folderExists(const QString& folder)
{
    try {
        return platform::files::isFolder(folder);
    } catch (const platform::RuntimeError&) {
        throw platform::RuntimeError(platform::errors::BadFileName,
                                     platform::runtimeErrorText(platform::errors::BadFileName) + QStringLiteral(": ")
                                         + folder);
    }
}

// "\\server\share\": a share is published by its server, never made by a
// folder creation, even when the server's folder is here.
bool isShare(const QString& level) { return level.startsWith(u"\\\\") && level.count(u'\\') == 4; }

[[noreturn]] void raisePathNotFound(const QString& level)
{
    throw platform::RuntimeError(platform::errors::PathNotFound,
                                 platform::runtimeErrorText(platform::errors::PathNotFound) + QStringLiteral(": ") + level);
}

// The runtime's MkDir: raises 75 or 76 when the folder cannot be made. A
// drive with no mapping is a path that is not there, as the existence test
// says it, never a device failure for the error routine.
void makeFolderOrRaise(const QString& level)
{
    if (isShare(level))
        raisePathNotFound(level);
    try {
        platform::files::makeFolder(level);
    } catch (const platform::RuntimeError& e) {
        if (e.number() == platform::errors::DeviceUnavailable)
            raisePathNotFound(level);
        throw;
    }
}

// CreateDirectoryA: no report, the caller tests afterwards.
void makeFolderQuietly(const QString& level) noexcept
{
    if (isShare(level))
        return;
    try {
        platform::files::makeFolder(level);
    } catch (...) {
    }
}

// CreateDirectoryExA with the Windows folder as template: the new folder
// takes the template's hidden and system bits when the template exists.
void makeFolderFromTemplate(const QString& level) noexcept
{
    makeFolderQuietly(level);
    try {
        const QString modele = platform::SystemFacts::current().windowsFolder();
        if (folderExists(modele) && folderExists(level)) {
            const uint32_t bits = platform::attributes::get(modele) & (platform::attributes::Hidden | platform::attributes::System);
            if (bits != 0)
                platform::attributes::set(level, platform::attributes::get(level) | bits);
        }
    } catch (...) {
    }
}

bool isPathError(int32_t number)
{
    return number == platform::errors::BadFileName || number == platform::errors::PathFileAccessError
           || number == platform::errors::PathNotFound;
}

} // namespace

// ---- Procedures -----------------------------------------------------------------

void VerificationEtCreationRepertoire(const QString& Dossier, bool Rapport)
{
    QString chemin;
    Trap trap(u"Lib_Systeme:VerificationEtCreationRepertoire");
    trap.setReport([&] {
        if (isPathError(InfoErreur.Numero)) {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: Folder not found: ") + chemin
                         + QStringLiteral(" |Source: Lib_Systeme:VerificationEtCreationRepertoire:")
                         + QString::number(InfoErreur.Ligne),
                     false, true);
        } else {
            GestionDesErreurs(QStringLiteral("Lib_Systeme:VerificationEtCreationRepertoire"));
        }
    });
    trap(1, [&] { chemin = NettoieNomDeDossier(Dossier); });
    if (chemin.trimmed().isEmpty())
        return;
    chemin = CheckRep(chemin);
    if (lists.connus.isEmpty())
        lists.connus = QStringLiteral(",");
    if (holds(lists.connus, chemin) || chemin == lists.dernier)
        return;

    QString niveau;
    int niveaux = 0;
    for (const QChar c : std::as_const(chemin)) {
        niveau += c;
        if (c != u'\\' || niveau.size() <= 3)
            continue;
        ++niveaux;
        if (niveaux == 1 && niveau.startsWith(QStringLiteral("\\\\")))
            continue; // the server of a network path
        bool existe = false;
        trap(2, [&] { existe = folderExists(niveau); });
        if (existe) {
            lists.connus += niveau + u',';
            continue;
        }
        trap(3, [&] { makeFolderOrRaise(niveau); });
        trap(4, [&] { existe = folderExists(niveau); });
        if (existe)
            continue;
        makeFolderQuietly(niveau);
        trap(5, [&] { existe = folderExists(niveau); });
        if (!existe) {
            makeFolderFromTemplate(niveau);
            trap(6, [&] { existe = folderExists(niveau); });
        }
        if (existe) {
            lists.connus += niveau + u',';
            continue;
        }
        if (niveau.contains(u'$') || holds(lists.echecs, niveau))
            continue;
        if (Rapport)
            TraceLog(-1, -1, -1, QStringLiteral("Folder '") + niveau + QStringLiteral("' not found"), false, true);
        lists.echecs += niveau + u',';
        break;
    }
    lists.dernier = chemin;
}

bool FolderFound(const QString& Dossier)
{
    if (Dossier.trimmed().isEmpty())
        return false;
    bool injoignable = false;
    Trap trap(u"Lib_Systeme:FolderFound");
    trap.setReport([&] {
        if (isPathError(InfoErreur.Numero)) {
            injoignable = true;
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: Folder not found: ") + Dossier + QStringLiteral(" |Source: Lib_Systeme:FolderFound:")
                         + QString::number(InfoErreur.Ligne),
                     true, true);
        } else {
            GestionDesErreurs(QStringLiteral("Lib_Systeme:FolderFound"));
        }
    });
    // Remembered with their backslash, so "C:\A" is never taken for a part of
    // "C:\AB\", and a missing folder only for itself, never for its parent.
    const QString cle = CheckRep(Dossier);
    if (lists.nonTrouves.isEmpty())
        lists.nonTrouves = QStringLiteral(",,");
    if (holds(lists.trouves, cle))
        return true;
    if (holds(lists.nonTrouves, QStringLiteral(",,") + cle + QStringLiteral(",,")))
        return false;
    bool existe = false;
    trap(1, [&] { existe = folderExists(Dossier); });
    if (injoignable)
        return false;
    if (!existe) {
        VerificationEtCreationRepertoire(Dossier, true);
        trap(2, [&] { existe = folderExists(Dossier); });
        if (injoignable)
            return false;
    }
    if (existe)
        lists.trouves += cle + QStringLiteral(",,");
    else
        lists.nonTrouves += cle + QStringLiteral(",,");
    return existe;
}

void TEST_resetFolders() { lists = Lists{}; }

} // namespace qn3::services
