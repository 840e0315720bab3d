#pragma once

#include "platform/file_info.h"

#include <QString>

#include <cstdint>

// What Windows knows about one file, gathered in one record for the main
// window's sound information: existence, name pieces, size, times, attribute
// letters and the eight standard strings of a program file's version resource.
namespace qn3::services {

struct FileInfo {
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    bool Existe = false;
    QString InternalName;
    QString MentionsLegales; // "LegalCopyright"
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString NomFichier; // after the last "\"; empty without one
    QString Chemin;     // the path as given
    QString Extension;  // after the last "." of the path, which may lie in a folder name
    int32_t Taille = 0; // bytes, for files under 2 GiB
    QString DateCreation;
    QString DateAcces;
    QString DateModification;
    QString Attributs;
};

// The record of `Chemin`. A missing file gives only the name pieces and
// Existe False; a file without version resource leaves the eight strings empty.
FileInfo GetFileInfo(const QString& Chemin);

// The find-data record of the first entry matching `Chemin` (wildcards
// allowed); all zero when nothing matches.
platform::fileinfo::FindData GetFileData(const QString& Chemin);

// A file time (UTC) as local short date, a blank and long time; the time is
// left out at exactly midnight.
QString StrFileTime(const platform::fileinfo::FileTime& Temps);

// The letters of an attribute mask ("AHR" for archive, hidden, read-only);
// "N" for 128 alone, "None" for 0, "Erreur d'attribut" for a mask holding
// a bit outside the known ones.
QString GetStrAtt(int32_t Attributs);

// The version string `Cle` of the file last read by GetFileInfo, in its
// first translation; empty when missing.
QString SplitInfo(const QString& Cle);

} // namespace qn3::services
