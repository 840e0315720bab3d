#pragma once

#include "services/window_members.h"

#include <QString>

#include <cstdint>

// The daily trace log.
//
// Lines gather in the windows' list boxes (Frm_Main().ListeLogTemp until the
// settings window is loaded, then FrmSetup().ListeLog) and are appended to the
// day's file RepLogs + "yyyymmdd.Log" (ANSI, CRLF) 200 at a time, at once for
// an incident, and on request. The first batch of a run and of each day
// starts with a header block; once a day files older than 45 days go.
//
// When the day's file cannot be written the batch stays buffered for the
// next attempt (at most kMaxBufferedLines, the oldest dropped with a note)
// and the failure is reported once per attempt.
namespace qn3::services {

inline constexpr int kBatchLines = 200;
inline constexpr int kMaxBufferedLines = 10000;
inline constexpr int kMaxIncidentLines = 1000;
inline constexpr int kPurgeDays = 45;

// The line's prefix: time with milliseconds, " :", then the zone, player and
// device columns ("n:" or " :"; devices 10-35 as "A:".."Z:"), or "Debug:"
// when player and device are both -2.
QString LigneLog(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice);

// Adds one trace line. `Incident` also lists it in the incidents list, ticks
// the alert and writes the buffer at once; `EcritureAutorisee` False never
// writes the buffer in this call.
void TraceLog(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice, const QString& Texte, bool Incident,
              bool EcritureAutorisee);

// `Texte` between two rules of the first character of `Car`, as long as it.
void TraceLogEncadre(int16_t NoZone, int16_t NoPlayer, int16_t NoDevice, const QString& Texte, const QString& Car,
                     bool Incident);

// Appends `Liste` to the day's file (yesterday's with `Hier`) and empties it.
// A blank `NomFichier` becomes the day as eight digits in the caller's variable.
void TraceLogForce(ListBox& Liste, QString& NomFichier, bool Hier);

// The usual request: FrmSetup().ListeLog to today's file. The main window
// calls it when it is about to close, the settings window when it unloads.
void TraceLogForce();

// The last write of a run: the lines still waiting in the main window's list
// (a run that ends before the settings window has loaded, or after it has
// unloaded) go with the settings window's, in the order they were traced.
// RepLogs must be known by then.
void TraceLogFin();

// Writes what is buffered, asks for a day's file in `Dossier` (preset to
// Dossier + Prefixe + today + Suffixe + ".Log") and opens the chosen one in
// the desktop's editor. Cancelling or any failure ends it quietly.
void AfficherLog(const QString& Dossier, const QString& Prefixe, const QString& Suffixe);

// Test only: forgets the header and purge days and the failed-batch state.
void TEST_resetTraceLog();

} // namespace qn3::services
