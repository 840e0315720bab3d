#pragma once

#include <QString>

// Making sure of folders before writing into them. Both procedures remember,
// for the whole run, the folders they found, made or failed to make, so the
// same folders asked again and again touch the disk once. A folder once found
// stays "present" even if removed later; one that FolderFound could not make
// stays "missing" for it even if someone makes it later. No failure reaches a
// caller.
namespace qn3::services {

// Makes every missing level of `Dossier` (local "C:\a\b" or network
// "\\server\share\a", trailing backslash optional), top level first, after
// cleaning the path as folder names are cleaned (bars, commas, wildcards become
// blanks). Never makes a drive root or a server level. A level that cannot be
// made stops the walk; with `Rapport` it is traced once per run as
// "Folder '<level>' not found" (levels with "$" are passed silently). Callers
// test the folder afterwards.
void VerificationEtCreationRepertoire(const QString& Dossier, bool Rapport);

// Whether folder `Dossier` exists, making it when missing; the answer is
// remembered for the run. A folder below a remembered present folder's path
// (its parent) is present too. An unreachable drive or server gives False
// and an incident line, and is not remembered.
bool FolderFound(const QString& Dossier);

// Test only: empties the four remembered lists and the last path.
void TEST_resetFolders();

} // namespace qn3::services
