#include "services/file_operations.h"

#include "platform/clock.h"
#include "platform/directory_listing.h"
#include "platform/exclusive_file.h"
#include "platform/file_info.h"
#include "platform/plain_files.h"
#include "platform/runtime_error.h"
#include "platform/shell_file_operation.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"
#include "services/gmt_offset.h"
#include "services/ini_access.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "services/window_members.h"

#include <QLocale>

#include <array>
#include <optional>

// Map of this file:
//   Helpers      blank names, the shell call, the find-first test
//   Copy, delete
//   Existence and size, free space and its wording
//   File date

namespace qn3::services {
namespace {

// ---- Helpers ----------------------------------------------------------------

namespace shell = platform::shell;

constexpr uint16_t kDefaultDeleteOptions = 1168; // no confirmation, files only, no error box
constexpr int kMaxDivisions = 8;
const std::array<const char16_t*, kMaxDivisions + 1> kUnits = {u" Octets", u" Ko", u" Mo", u" Go", u" To",
                                                                u" Po",     u" Eo", u" Zo", u" Yo"};

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

QDateTime now() { return platform::Clock::current().localNow().dateTime(); }

void trace(const QString& text, bool incident) { TraceLog(-1, -1, -1, text, incident, true); }

int32_t runShell(uint32_t operation, const QString& from, const QString& to, uint16_t flags, int32_t owner)
{
    shell::FileOperation op;
    op.owner = owner;
    op.operation = operation;
    op.from = from;
    op.to = to;
    op.flags = flags;
    return shell::fileOperation(op);
}

// "C:\", "C:" or "\\server\share\": a root, which has no "." entry.
bool isRoot(const QString& folder)
{
    const QString f = folder.endsWith(u'\\') || folder.endsWith(u'/') ? folder.chopped(1) : folder;
    if (f.isEmpty() || (f.size() == 2 && f[1] == u':'))
        return true;
    return f.startsWith(QStringLiteral("\\\\")) && f.count(u'\\') <= 3;
}

// FindFirstFileA: true when an entry answers the name. A name ending with a
// separator answers nothing; a wildcard in the last part answers when any
// entry matches it. A name the platform cannot take answers nothing, as an
// invalid handle.
bool findFirst(const QString& name)
{
    if (name.endsWith(u'\\') || name.endsWith(u'/'))
        return false;
    try {
        const qsizetype separator = std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'));
        const QStringView mask = QStringView(name).mid(separator + 1);
        if (!platform::wildcard::hasWildcards(mask))
            return platform::files::exists(name);
        if (!platform::listDirectory(name).isEmpty())
            return true;
        // Every folder but a root holds "." and "..", which the listing leaves
        // out: a mask that takes them is found even in an empty folder.
        if (!platform::wildcard::matches(mask, u".") && !platform::wildcard::matches(mask, u".."))
            return false;
        const QString folder = separator < 0 ? platform::paths::currentDirectory() : name.left(separator + 1);
        return !isRoot(folder) && platform::files::isFolder(folder);
    } catch (const platform::RuntimeError&) {
        return false;
    }
}

// The offset from UTC that DateModificationFichier keeps for the run.
std::optional<int16_t> offsetFichiers;

} // namespace

// ---- Copy, delete -----------------------------------------------------------

bool File_Copy(const QString& Source, const QString& Cible, int32_t Options, int32_t HandleFenetre)
{
    if (isBlank(Source)) {
        trace(QStringLiteral("Warning: File_Copy: File name null"), false);
        return false;
    }
    bool copied = false;
    Trap trap(u"Lib_Systeme:File_Copy");
    bool exists = false;
    trap(1, [&] { exists = File_Exist(Source, QStringLiteral("Lib_Systeme:File_Copy"), true); });
    if (!exists) {
        if (!Source.contains(QStringLiteral(".gpx"), Qt::CaseInsensitive))
            trace(QStringLiteral("Warning: File_Copy: File not found: ") + Source, false);
        return false;
    }
    int32_t code = 0;
    trap(2, [&] {
        const auto flags = static_cast<uint16_t>(static_cast<uint32_t>(Options) | shell::flags::NoConfirmation);
        code = runShell(shell::operations::Copy, Source, Cible, flags, HandleFenetre);
        copied = code == shell::codes::Success;
    });
    if (copied)
        return true;
    trap(3, [&] {
        QString text;
        switch (code) {
        case 53: text = QStringLiteral(" |Folder not found. Source: "); break;
        case 32: text = QStringLiteral(" |File in use. Source: "); break;
        case 1026: text = QStringLiteral(" |Source file missing. Source: "); break;
        case 1223: text = QStringLiteral(" |Cancelled. Source: "); break;
        case 14: text = QStringLiteral(" |Out of memory. Source: "); break;
        default: text = QStringLiteral(" |Source: "); break;
        }
        trace(QStringLiteral("File_Copy: Err: ") + QString::number(code) + text + Source + QStringLiteral("  Target: ") + Cible,
              true);
    });
    trap(4, [&] {
        if (Cible.startsWith(QStringLiteral("\\\\")))
            return;
        const QString root = Cible.left(3);
        trace(QStringLiteral("Free space for ") + root + QStringLiteral(": ") + LibSize(EspaceLibreDisque(root)), false);
    });
    return false;
}

bool File_Delete(const QString& Fichier, const QString& SubAppelant, int32_t Options, int32_t HandleFenetre)
{
    const QString chain = SubAppelant + QStringLiteral(">Lib_Systeme:File_Delete");
    const QString suffix = QStringLiteral(" |Sub: ") + chain;
    if (isBlank(Fichier)) {
        trace(QStringLiteral("Warning: File_Delete: File name null") + suffix, false);
        return false;
    }
    bool deleted = false;
    int32_t code = 0;
    Trap trap(chain);
    trap(1, [&] {
        const auto flags = Options == 0 ? kDefaultDeleteOptions : static_cast<uint16_t>(Options);
        code = runShell(shell::operations::Delete, Fichier, QString(), flags, HandleFenetre);
        deleted = code == shell::codes::Success;
    });
    if (deleted)
        return true;
    trap(2, [&] {
        QString head = QStringLiteral("File_Delete: Warning: ");
        QString text;
        bool incident = false;
        switch (code) {
        case 2: text = QStringLiteral(" |File not found: "); break;
        case 32: text = QStringLiteral(" |File in use: "); break;
        case 1026:
            head = QStringLiteral("File_Delete: Err: ");
            text = QStringLiteral(" |Source file missing: ");
            break;
        case 1223: text = QStringLiteral(" |Cancelled: File: "); break;
        default:
            head = QStringLiteral("File_Delete: Err: ");
            text = QStringLiteral(" |");
            incident = true;
            break;
        }
        trace(head + QString::number(code) + text + Fichier + suffix, incident);
    });
    return false;
}

// ---- Existence and size, free space and its wording --------------------------

bool File_Exist(const QString& Fichier, const QString& SubAppelant, bool NonVide)
{
    Q_UNUSED(SubAppelant);
    if (isBlank(Fichier))
        return false;
    bool found = false;
    Trap trap(u"Lib_Systeme:File_Exist");
    trap([&] {
        const QString firstForm = Fichier.trimmed();
        QString name = firstForm;
        if (name.contains(u' ')) {
            while (name.contains(QStringLiteral(" .")))
                name.replace(QStringLiteral(" ."), QStringLiteral("."));
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            found = findFirst(name) && !(NonVide && TailleDuFichier(name) == 0);
            if (found || name == firstForm)
                break;
            name = firstForm;
        }
    });
    return found;
}

int32_t TailleDuFichier(const QString& Fichier)
{
    int32_t size = -1;
    Trap trap(u"Lib_Systeme:TailleDuFichier");
    trap([&] {
        std::optional<int64_t> bytes;
        try {
            bytes = platform::files::readableSize(Fichier);
        } catch (const platform::RuntimeError&) {
            return; // a name that cannot be opened
        }
        if (bytes)
            size = static_cast<int32_t>(static_cast<uint32_t>(*bytes));
    });
    return size;
}

double EspaceLibreDisque(const QString& Racine)
{
    if (isBlank(Racine))
        return 0;
    try {
        return platform::fileinfo::freeBytes(Racine);
    } catch (...) {
        return 0;
    }
}

QString LibSize(double Taille)
{
    QString text;
    Trap trap(u"Lib_Systeme:LibSize");
    trap([&] {
        int unit = 0;
        while (Taille >= 1024 && unit < kMaxDivisions) {
            Taille /= 1024;
            ++unit;
        }
        if (Taille >= 1024)
            return;
        text = QLocale().toString(Taille, 'f', 2) + QString::fromUtf16(kUnits[unit]);
    });
    return text;
}

// ---- File date --------------------------------------------------------------

QDateTime DateModificationFichier(const QString& Fichier, bool DateAcces)
{
    if (isBlank(Fichier))
        return now();
    const QString label = QStringLiteral("Lib_Public:DateModificationFichier");
    QDateTime result;
    QString copie;
    Trap trap(u"Lib_Public:DateModificationFichier");
    trap(1, [&] {
        if (!offsetFichiers)
            offsetFichiers = GetGMTOffSet(false);
    });
    platform::exclusive::FileInformation info;
    trap(2, [&] { info = platform::exclusive::readInformation(Fichier); });
    if (!info.opened) {
        // In use, read-only or missing: work on a copy when there is a local
        // folder for one, and clear the read-only bit of what is worked on.
        QString travail = Fichier;
        trap(3, [&] {
            if (isBlank(RepLocal[0]))
                return;
            copie = RepLocal[0] + QStringLiteral("File.tmp");
            // Only a copy made now is dated, never one left by an earlier run.
            if (File_Copy(Fichier, copie, kOptionsCopie, 0) && File_Exist(copie, label, false))
                travail = copie;
        });
        trap(4, [&] { File_RemoveFlag(travail, 1); });
        trap(5, [&] { info = platform::exclusive::readInformation(travail); });
    }
    trap(6, [&] {
        if (!info.informed) {
            TailleDernierFichier = 0;
            result = now();
            return;
        }
        TailleDernierFichier = static_cast<int32_t>(static_cast<uint32_t>(info.size));
        const QDateTime utc = DateAcces ? info.lastAccessUtc : info.lastWriteUtc;
        const QDateTime shifted = utc.addSecs(int64_t(offsetFichiers.value_or(0)) * 60);
        // The sum is a local wall-clock time: keep its fields, not its instant.
        result = QDateTime(shifted.date(), shifted.time(), Qt::LocalTime);
    });
    trap(7, [&] {
        if (!copie.isEmpty() && File_Exist(copie, label, false))
            File_Delete(copie, label, 0, Frm_Main().hWnd);
    });
    return result.isValid() ? result : now();
}

void TEST_resetDateModificationFichier() { offsetFichiers.reset(); }

} // namespace qn3::services
