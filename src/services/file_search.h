#pragma once

#include "services/window_members.h"

#include <QString>

// Finding files: one folder, or a whole tree level by level, into the
// caller's lists.
namespace qn3::services {

// Lists `Dossier` (ending with a backslash), and with `Recursif` its whole
// tree, into `ListeFichiers` (full paths, the folder's files before those of
// its sub-folders, level by level), then keeps only the files that `Filtre`
// takes: "*.*" keeps all; otherwise the filter's name part (up to its first
// "*", which makes it a prefix) must begin or equal the file's name, and the
// file's extension must equal the filter's, or be ".*" in the filter, or
// occur anywhere in the filter's text ("*.mp3;*.wav"; a file without an
// extension always passes this test). Case is ignored throughout.
// `NonVides` leaves out files of size 0. `ListeDossiers` is the work list of
// folders; it is empty on return. The window messages run after every folder
// and every ten filtered entries: their handlers must not touch the lists.
void RechercheFichier(const QString& Dossier, const QString& Filtre, bool Recursif, ListBox& ListeFichiers,
                      ListBox& ListeDossiers, bool NonVides);

// Lists one folder, `Dossier` followed by `Masque` (a mask, or empty for
// every entry), appending its files to `ListeFichiers` and, with `Recursif`,
// its sub-folders (with a trailing backslash) to `ListeDossiers`. Hidden
// entries (dot names on this platform) are not listed. A name that NettoieNomDeFichier would
// change, or that no Windows path can reach (a trailing dot, a backslash, a
// character outside the ANSI code page), is refused with the trace line "Err: File not found: " and the path.
// With `NonVides`, a file gone before its size could be read ends the
// folder's listing with a trace line and a critical message box asking to
// rename it. A missing
// folder lists nothing.
void RechercheFichierBis(const QString& Dossier, const QString& Masque, bool Recursif, ListBox& ListeFichiers,
                         ListBox& ListeDossiers, bool NonVides);

} // namespace qn3::services
