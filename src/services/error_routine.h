#pragma once

#include <QString>

#include <cstdint>

// The central error routine and the error record every trap fills.
//
// No failure travels up to a caller: traps (see trap.h) fill `InfoErreur` and
// call `GestionDesErreurs`, which writes the failure as an incident framed by
// rules of "=" in the trace log. One failure restarts the computer: an
// automation object disconnected from its clients (0x80010108) leaves a
// start-up shortcut to the program and asks for a forced restart.
namespace qn3::services {

struct InfoErreurRecord {
    int32_t Numero = 0;
    int32_t Ligne = 0;
    QString Description;
    QString Source;
};

// Overwritten by every trap, never cleared by the routine.
inline InfoErreurRecord InfoErreur;

// Codes with rules of their own.
inline constexpr int32_t kAutomationDisconnected = static_cast<int32_t>(0x80010108u);
inline constexpr int32_t kShortcutInUse = static_cast<int32_t>(0x80070020u);

// Reports the failure held in `InfoErreur`; `Source` is "Module:Procedure".
// Silent while the main window unloads (`FermetureEnCours`) and while a
// report is already running. Never fails towards its caller.
void GestionDesErreurs(const QString& Source);

// With `Creer` True, creates or replaces the program's shortcut in the user's
// start-up folder, started with " /Wait=" and `DureeAttente`; with False,
// deletes it when present. `DureeAttente` is clamped in place to 1000..120000.
void CreateShortCutStartUp(bool Creer, int32_t& DureeAttente, const QString& Source);

// The name the shortcut has in the start-up folder.
inline constexpr char16_t kStartUpShortcutName[] = u"Quillon - Tools Vandrel.lnk";

// Ends the session with the given exit flags plus Force (2 = restart).
void ShutdownWindows(int32_t Flags);

// Test only: clears the busy flag and `InfoErreur`.
void TEST_resetErrorRoutine();

} // namespace qn3::services
