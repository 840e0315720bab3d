#pragma once

#include <QString>

#include <cstdint>

// Reading and writing INI settings files, with the program's own rules on
// top of the private-profile calls (platform/private_profile.h). Nothing is
// cached here: a value written, by this program or another, is seen by the
// next read. No failure reaches a caller.
namespace qn3::services {

// The value of `Cle` in `Section` of `Fichier`, at most 254 characters (a
// longer value is cut), or `Defaut` when the file, section or key is missing.
// A name that `NomFichierCorrect` refuses gives `Defaut` without touching the
// disk. No trimming beyond the platform's.
QString LectureIni(const QString& Fichier, const QString& Section, const QString& Cle, const QString& Defaut);

// Writes `Valeur` under `Cle` in `Section` of `Fichier`, making the file and
// the section when missing. A failed write is tried again after making the
// file's folder, then again after clearing the file's read-only bit. False
// for a blank section or key, a refused name, or three failed attempts; the
// file keeps its content then.
bool EcritureIni(const QString& Fichier, const QString& Section, const QString& Cle, const QString& Valeur);

// Clears the bits of `Attributs` among 1 (read-only), 2, 4, 8, 16, 32 and 64
// that the file has; other bits stay. A missing or empty file gives only the
// trace line "Warning: File_RemoveFlag: File not found: " and the name.
void File_RemoveFlag(const QString& Fichier, int32_t Attributs);

// False when the name holds "*", "?", a double quote or "|"; the empty name
// is correct.
bool NomFichierCorrect(const QString& Fichier);

} // namespace qn3::services
