#pragma once

#include <QString>

#include <optional>

class QWidget;

// The folder selection dialog.
namespace qn3::windows {

// The folder the next dialog opens on: set by FolderSelect, kept after the
// dialog has closed.
inline QString DossierDepart;

// Lets the user pick a folder, starting on the folder part of
// `DossierInitial` (the program's folder when it has none), owned by
// `Fenetre`, titled `TitreDialogue` ("Sélectionnez un dossier: " when
// empty). Returns the chosen folder as a Windows path with a trailing
// backslash, made (every missing level) when it does not exist, or "*" when
// the user cancelled.
QString FolderSelect(QWidget* Fenetre, const QString& DossierInitial, const QString& TitreDialogue);

// The folder the dialog is shown on for `Dossier`: one trailing backslash
// fewer, so a drive root "E:\" is proposed as "E:".
QString FolderSelectStart(const QString& Dossier);

// The next FolderSelect answers at once (one shot), without a dialog: the
// folder chosen (a Windows path), or nothing for a cancelled dialog.
void FolderSelectSetNextAnswer(std::optional<QString> chosen);

} // namespace qn3::windows
