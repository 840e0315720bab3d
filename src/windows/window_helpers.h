#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// The helpers every window shares: positions kept in the positions file,
// topmost marks in the window's `Tag` (its "Tag" property), the platform's
// message box, the busy pointer, the task bar and the desktop. Flags follow
// the program's Booleans: True is -1, False is 0; the topmost, stepping,
// task-bar and desktop helpers act only on -1 and 0 exactly.
namespace qn3::windows {

// Restores the window's left and top (twips) from the positions file, then
// corrects them so the window stays reachable. `Suffixe` is rewritten.
void PositionFeuille(QWidget* Feuille, QString& Suffixe);
// Writes the window's current left and top to the positions file.
void PositionFeuilleSauvegarde(QWidget* Feuille, QString& Suffixe);
// Keeps the window above all others, or not, without a mark and without
// hiding a window already shown.
void setStaysOnTop(QWidget* window, bool onTop);
// -1: topmost, Tag "1"; 0: not topmost, Tag "0"; anything else: nothing.
void AfficherAuDessus(QWidget* Feuille, int32_t Actif);
// -1 before a modal box opens: steps back the windows marked topmost;
// 0 after it has closed: makes them topmost again.
void AfficherMessageBoxOuInputBox(int32_t Avant);
// The platform's message box (through the services' questions interface)
// with trimmed texts; the answer code 1-7.
int32_t Question(const QString& Texte, QWidget* Feuille, int32_t Boutons, const QString& Titre);
void SablierOn(QWidget* Feuille);
void SablierOff(QWidget* Feuille);
void AfficherBarreDeTache(int32_t Afficher);
void AfficherBureau(int32_t Afficher);

} // namespace qn3::windows
