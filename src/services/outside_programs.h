#pragma once

#include <QString>

#include <cstdint>

// Programs that are not this system's own: handing a file to the desktop's
// handler, waiting for a started process, and finding the sound converter.
namespace qn3::services {

// Hands `Fichier` to the shell with `Operation` ("Open") for the window of
// handle `Fenetre`, with `Parametres` and the working folder `Dossier` (both
// empty for none) and the show command `Affichage`. Returns the shell's
// value, above 32 for success; a failure is raised in French with its error
// number, reported by the error routine, and its value returned.
int32_t ExecuterProgrammeExterne(int32_t Fenetre, const QString& Operation, const QString& Fichier,
                                 const QString& Parametres, const QString& Dossier, int32_t Affichage);

// Waits, with the event loop running, until process `IdProcessus` ends or,
// when `DelaiMaximum` is 1 or more, until that many milliseconds have passed
// on the tick counter (an incident line then, and the process keeps running).
// Returns the exit code last read: 259 after a time-out, 0 when the process
// cannot be opened.
int32_t AttenteFinProcessusExterne(int32_t IdProcessus, const int32_t& DelaiMaximum);

// Finds the installed converter: the command-line "CoreConverter.exe" first
// (`NouvelleVersion` True), else the automation "MusicConverter.exe" (False),
// each where its "App Paths" registry key says, else below Program Files in
// "Illustrate\dBpowerAMP\". `Chemin` receives the path tested last. With
// neither and `AfficherMessage`, the user is told; `NouvelleVersion` is left
// as it was. True when one was found.
bool ConvertSonDetermineVersion(bool& NouvelleVersion, QString& Chemin, const bool& AfficherMessage);

} // namespace qn3::services
