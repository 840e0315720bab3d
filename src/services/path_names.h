#pragma once

#include <QString>

#include <cstdint>

// Folder, name and extension of paths, and sound-folder slots. Only "\" separates folders.
namespace qn3::services {

struct FichierEclateRecord {
    QString Repertoire; // folder with its backslash, or empty
    QString Fichier;    // name without folder and extension
    QString Extension;  // ".Log", or empty
};

// Pieces of the last path split by EclateRepFicExt, whoever asked: read them
// right after your own call.
inline FichierEclateRecord FichierEclate;

// `Dossier` ending with a backslash; empty stays empty.
QString CheckRep(const QString& Dossier);

// Splits `Chemin` into FichierEclate: only the last dot after the last
// backslash makes an extension.
void EclateRepFicExt(const QString& Chemin);

// Index of a sound category in RepSons: "JIN" 1 ... "NUM" 8, else 0 (exact).
int16_t SerieDeRepertoire(const QString& Categorie);

// The sound-folder slot ("0".."9") a song goes to: `Drive` when that slot is
// in use, else the song id's number modulo the slots in use; "-" passes.
QString CheckDrive(int16_t NoZone, int16_t Serie, const QString& Drive, const QString& SongId);

} // namespace qn3::services
