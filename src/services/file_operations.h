#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// Copying, deleting, testing, sizing and dating files. Copies and deletions
// go through the shell's file operation (platform/shell_file_operation.h);
// each failure becomes a trace line with the shell's code and a False result.
// No failure reaches a caller.
namespace qn3::services {

// The callers' usual option sets: silent, files only, no confirmation for new
// folders, no recursion, with (5764) or without (4740) "no error box".
inline constexpr int32_t kOptionsCopieSansErreur = 5764;
inline constexpr int32_t kOptionsCopie = 4740;

// The size in bytes (low 32 bits) of the file last dated by
// DateModificationFichier, 0 when its information could not be read. The
// import of spots reads it right after dating a spot file.
inline int32_t TailleDernierFichier = 0;

// Copies `Source` onto `Cible` (replaced without a question; missing target
// folders are made). An empty or missing source is refused with a warning
// line (none for a ".gpx" name) and the shell is not called. A failure traces
// "File_Copy: Err: " with the code, and the target drive's free space.
bool File_Copy(const QString& Source, const QString& Cible, int32_t Options, int32_t HandleFenetre);

// Deletes `Fichier` (Options 0: the default set 1168). Failures are traced
// with the suffix " |Sub: " `SubAppelant` ">Lib_Systeme:File_Delete".
bool File_Delete(const QString& Fichier, const QString& SubAppelant, int32_t Options, int32_t HandleFenetre);

// Whether a file (or folder named without trailing backslash, or any entry
// matching a wildcard name) exists; blanks before a dot are tried without
// them first. With `NonVide` an empty file counts as missing.
bool File_Exist(const QString& Fichier, const QString& SubAppelant, bool NonVide);

// The size in bytes (low 32 bits), -1 when the file cannot be opened.
int32_t TailleDuFichier(const QString& Fichier);

// The free bytes of the drive whose root is `Racine` ("C:\"); 0 when blank or
// unknown.
double EspaceLibreDisque(const QString& Racine);

// "1,50 Ko": the count in the largest unit of 1024 below it (" Octets" to
// " Yo"), two decimals and grouping by the regional settings (QLocale());
// empty from 1024 " Yo" on.
QString LibSize(double Taille);

// The last-write time of `Fichier` (last access with `DateAcces`) as local
// time: the UTC time plus the offset from UTC read once per run. A file that
// cannot be opened exclusively is dated through a copy "File.tmp" in
// RepLocal[0]. Sets TailleDernierFichier. A blank name gives now and changes
// nothing; a file that cannot be had gives now and size 0.
QDateTime DateModificationFichier(const QString& Fichier, bool DateAcces);

// Test only: forgets the offset kept by DateModificationFichier.
void TEST_resetDateModificationFichier();

} // namespace qn3::services
