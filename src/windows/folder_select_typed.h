#pragma once

#include <QString>

// The text typed in the folder dialog's edit box, made a Windows folder.
namespace qn3::windows {

// What the edit box gives with `selected` chosen in the tree: a full Windows
// path ("C:\QN_Donnees", "\\PC\Data\Sons") as it stands, a name or a
// relative path ("Nouveau", "..\Autre") below `selected`, "\Dossier" on
// `selected`'s drive, nothing typed `selected` itself; "." and ".." are
// resolved. `error` says in French why the text cannot be a folder (bad
// name, unknown drive, a file of that name), and the folder is then empty.
struct TypedFolder {
    QString folder; // no trailing backslash except at a drive root ("C:\")
    QString error;
};
TypedFolder resolveTypedFolder(const QString& typed, const QString& selected);

} // namespace qn3::windows
