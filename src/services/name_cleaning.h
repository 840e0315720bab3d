#pragma once

#include <QString>

// Turning arbitrary text into names the file system accepts.
namespace qn3::services {

// A file name: "/", "*", "?", '"', "<", ">", "|" and ":" become "_"; with
// `SupprimerPoints`, every "..." and then every ".." goes; every "%" goes;
// leading and trailing blanks go. The backslash is left alone, so a caller
// may pass a path. A name that comes back unchanged is one the search lists.
QString NettoieNomDeFichier(const QString& Nom, const bool& SupprimerPoints);

// A folder path: "/", "*", "?", '"', "<", ">", "|" and "," become blanks
// (the comma separates the remembered folder lists); "...", "..", "%" go;
// leading blanks go; after the first two characters (drive and colon, or the two backslashes
// of a network path) a ":" becomes a blank and every run of three blanks
// one blank, left to right; blanks before a backslash go; then the ends
// are trimmed of blanks.
QString NettoieNomDeDossier(const QString& Dossier);

} // namespace qn3::services
