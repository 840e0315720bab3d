#pragma once

#include "platform/plain_files.h"

#include <QString>

// The text typed in the edit box of the folder dialog or of the open-file
// dialog, made a Windows path.
namespace qn3::windows {

// What the edit box gives with `selected` shown: a full Windows path
// ("C:\QN_Donnees", "\\PC\Data\Sons") as it stands, a name or a relative
// path ("Nouveau", "..\Autre") below `selected`, "\Dossier" on `selected`'s
// drive, nothing typed `selected` itself; "." and ".." are resolved. `kind`
// says what answers the path now. `error` says in French why the text cannot
// be a path (bad name, unknown drive), naming what is asked for (`noun`,
// "dossier" or "fichier"); the path is then empty.
struct TypedPath {
    QString path; // no trailing backslash except at a drive root ("C:\")
    platform::files::EntryKind kind = platform::files::EntryKind::Missing;
    QString error;
};
TypedPath resolveTypedPath(const QString& typed, const QString& selected, const QString& noun);

// The same for a folder: a file of that name is refused too.
struct TypedFolder {
    QString folder; // no trailing backslash except at a drive root ("C:\")
    QString error;
};
TypedFolder resolveTypedFolder(const QString& typed, const QString& selected);

// A name or path as the dialogs quote it: « C:\Radio ».
QString quoted(const QString& text);

} // namespace qn3::windows
