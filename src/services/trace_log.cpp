#include "services/trace_log.h"

#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/directory_listing.h"
#include "platform/document_opener.h"
#include "platform/plain_files.h"
#include "platform/runtime_error.h"
#include "services/clocks.h"
#include "services/formats.h"
#include "services/log_header.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/trap.h"

// Sections: the line and its prefix - TraceLog and TraceLogEncadre -
// writing a batch (with its keep-on-failure rule) - the daily purge -
// TraceLogForce and TraceLogFin - AfficherLog.

namespace qn3::services {
namespace {

using platform::RuntimeError;
namespace errors = platform::errors;

QString DernierJourEntete;
QString DernierJourPurge;
// Lines a failed write left in the buffer; the next 200-line batch waits for
// that many more lines, so a lost log folder costs one attempt per batch
// rather than one per line.
int LignesEnAttente = 0;

void appendColumn(QString& out, int16_t value)
{
    if (value < 0) {
        out += QStringLiteral(" :");
        return;
    }
    out += QString::number(value);
    out += u':';
}

void appendPrefix(QString& out, int16_t NoZone, int16_t NoPlayer, int16_t NoDevice)
{
    AppendTimingMilliSec(out);
    out += QStringLiteral(" :");
    if (NoPlayer == -2 && NoDevice == -2) {
        out += QStringLiteral("Debug:");
        return;
    }
    appendColumn(out, NoZone);
    appendColumn(out, NoPlayer);
    if (NoDevice < 10) {
        appendColumn(out, NoDevice);
    } else {
        out += QChar(char16_t(55 + NoDevice));
        out += u':';
    }
}

// ---------------------------------------------------------------------------
// Writing a batch

// One line of the file: ANSI bytes and CRLF.
void appendAnsiLine(QByteArray& out, const QString& line)
{
    const qsizetype at = out.size();
    out.resize(at + line.size() + 2);
    char* p = out.data() + at;
    for (const QChar c : line)
        *p++ = static_cast<char>(platform::ansi::toByte(c.unicode()));
    *p++ = '\r';
    *p = '\n';
}

// After a failed write: the buffer keeps its lines, bounded by dropping the
// oldest and saying so in one line.
void keepForNextBatch(ListBox& Liste)
{
    const int excess = Liste.ListCount() - kMaxBufferedLines;
    if (excess > 0) {
        QStringList kept = Liste.lines().mid(excess + 1);
        QString note;
        appendPrefix(note, -1, -1, -1);
        note += QStringLiteral("Err: ") + QString::number(excess + 1)
            + QStringLiteral(" trace lines dropped: the log file could not be written");
        Liste.Clear();
        Liste.AddItem(note);
        for (const QString& line : kept)
            Liste.AddItem(line);
    }
    LignesEnAttente = Liste.ListCount();
}

void writeBatch(ListBox& Liste, const QString& NomFichier, const QString& jour)
{
    const bool header = jour != DernierJourEntete;
    const QStringList& lines = Liste.lines();
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    bytes.reserve(size + (header ? 1024 : 0));
    if (header) {
        for (const QString& line : EnteteJourLog())
            appendAnsiLine(bytes, line);
    }
    for (const QString& line : lines)
        appendAnsiLine(bytes, line);
    try {
        if (RepLogs.isEmpty())
            throw RuntimeError(errors::PathNotFound, QStringLiteral("Path not found: the log folder is not set"));
        platform::files::append(RepLogs + NomFichier + QStringLiteral(".Log"), bytes);
    } catch (...) {
        keepForNextBatch(Liste);
        throw;
    }
    if (header)
        DernierJourEntete = jour;
    LignesEnAttente = 0;
    Liste.Clear();
}

// ---------------------------------------------------------------------------
// The daily purge

// Returns whether the folder was there to be purged: without it (no log
// folder named or made yet) the purge is tried again at the next batch
// rather than skipped for the rest of the day.
bool purgeOldFiles(const QDate& today)
{
    Trap trap(u"Lib_Public:TraceLogForce");
    if (RepLogs.isEmpty())
        return false;
    const QString limit = D2S(today.addDays(-kPurgeDays));
    QStringList names;
    bool listed = false;
    trap([&] {
        if (!platform::files::isFolder(RepLogs))
            return;
        for (const platform::DirectoryEntry& entry : platform::listDirectory(RepLogs + QStringLiteral("*.Log"))) {
            if (!entry.isFolder)
                names.append(entry.name);
        }
        listed = true;
    });
    for (const QString& name : names) {
        EclateRepFicExt(name);
        if (!(FichierEclate.Fichier < limit))
            continue;
        trap([&] { platform::files::remove(RepLogs + name); });
    }
    return listed;
}

// Only the day's fields are written, so the moment is taken in UTC: in local
// time the midnight of a day whose summer time starts at 00:00 does not exist.
QString dayText(const QDate& day) { return Date2StringEx(QDateTime(day, QTime(0, 0), Qt::UTC), FormatDate); }

} // namespace

// ---------------------------------------------------------------------------

QString LigneLog(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice)
{
    QString prefix;
    Trap trap(u"Lib_Public:LigneLog");
    trap([&] { appendPrefix(prefix, NoZone, NoPlayer, NoDevice); });
    return prefix;
}

void TraceLog(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice, const QString& Texte, bool Incident,
              bool EcritureAutorisee)
{
    Trap trap(u"Lib_Public:TraceLog");
    QString line;
    qsizetype prefixLength = 0;
    trap([&] {
        line.reserve(24 + Texte.size());
        appendPrefix(line, NoZone, NoPlayer, NoDevice);
        prefixLength = line.size();
        line += Texte;
    });
    FrmMainMembers& main = Frm_Main();
    ListBox& buffer = FrmSetup().ListeLog;
    trap([&] {
        if (!SetupCharge) {
            main.ListeLogTemp.AddItem(line);
            return;
        }
        if (main.ListeLogTemp.ListCount() > 0) {
            for (const QString& early : main.ListeLogTemp.lines())
                buffer.AddItem(early);
            main.ListeLogTemp.Clear();
        }
        buffer.AddItem(line);
    });
    if (Incident) {
        trap([&] {
            if (main.ListeIncidents0.ListCount() > kMaxIncidentLines)
                main.ListeIncidents0.Clear();
            QString shown = Texte.trimmed();
            if (shown.startsWith(u':'))
                shown = shown.mid(1).trimmed();
            main.ListeIncidents0.AddItem(line.left(prefixLength) + shown);
            main.CheckIncidents0.setValue(1);
            if (SetupCharge && EcritureAutorisee)
                TraceLogForce();
        });
    }
    trap([&] {
        if (SetupCharge && buffer.ListCount() >= LignesEnAttente + kBatchLines && !RepLogs.isEmpty() && EcritureAutorisee)
            TraceLogForce();
    });
}

void TraceLogEncadre(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice, const QString& Texte, const QString& Car,
                     bool Incident)
{
    Trap trap(u"Lib_Public:TraceLogEncadre");
    auto rule = [&] {
        if (Car.isEmpty())
            throw RuntimeError(errors::InvalidProcedureCall,
                               platform::runtimeErrorText(errors::InvalidProcedureCall) + QStringLiteral(": empty rule character"));
        TraceLog(NoZone, NoPlayer, NoDevice, QString(Texte.size(), Car[0]), false, true);
    };
    trap(rule);
    trap([&] { TraceLog(NoZone, NoPlayer, NoDevice, Texte, Incident, true); });
    trap(rule);
}

void TraceLogForce(ListBox& Liste, QString& NomFichier, bool Hier)
{
    Trap trap(u"Lib_Public:TraceLogForce");
    QDate today;
    QDate day;
    QString jour;
    trap([&] {
        today = platform::Clock::current().localNow().date();
        day = Hier ? today.addDays(-1) : today;
        jour = dayText(day);
    });
    if (Liste.ListCount() == 0 && jour == DernierJourEntete)
        return;
    trap([&] {
        if (NomFichier.trimmed().isEmpty())
            NomFichier = D2S(day);
    });
    trap([&] { writeBatch(Liste, NomFichier, jour); });
    trap([&] {
        const QString todayText = dayText(today);
        if (todayText != DernierJourPurge && purgeOldFiles(today))
            DernierJourPurge = todayText;
    });
}

void TraceLogForce()
{
    QString name;
    TraceLogForce(FrmSetup().ListeLog, name, false);
}

void TraceLogFin()
{
    Trap trap(u"Lib_Public:TraceLogFin");
    trap([] {
        ListBox& attente = Frm_Main().ListeLogTemp;
        if (attente.ListCount() == 0)
            return;
        ListBox& buffer = FrmSetup().ListeLog;
        // While the settings window loads, its list holds only later lines;
        // once it has unloaded, only earlier ones.
        buffer.setLines(SetupCharge ? attente.lines() + buffer.lines() : buffer.lines() + attente.lines());
        attente.Clear();
    });
    TraceLogForce();
}

void AfficherLog(const QString& Dossier, const QString& Prefixe, const QString& Suffixe)
{
    Trap trap(u"Lib_Public:AfficherLog");
    trap.setReport([] {}); // cancelling or failing ends the viewer quietly
    trap([&] { TraceLogForce(); });
    trap([&] {
        CommonDialog& dialog = Frm_Main().CMDialog;
        dialog.CancelError = true;
        dialog.InitDir = Dossier;
        dialog.Filter = QStringLiteral("Logs|*.log");
        dialog.Flags = 1;
        dialog.FileName = Dossier + Prefixe + D2S(platform::Clock::current().localNow().date()) + Suffixe + QStringLiteral(".Log");
        dialog.ShowOpen();
        platform::DocumentOpener::current().open(dialog.FileName);
    });
}

void TEST_resetTraceLog()
{
    DernierJourEntete.clear();
    DernierJourPurge.clear();
    LignesEnAttente = 0;
}

} // namespace qn3::services
