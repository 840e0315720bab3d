#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The built-in description of the suite's record files, numbered 0 to 50,
// and the file names derived from it. It is the fallback of the opening when
// "ZT_BTR.ini" does not name a file or give its record length.
namespace qn3::database {

struct SegmentCle {
    int32_t Pos = 0; // first byte in the record, from 1
    int32_t Lng = 0;
    int32_t Flg = 0; // 1 duplicates, 2 modifiable, 16 continued, 1024 case-insensitive
};

struct DescriptionFichierBtr {
    QString Libelle;
    QString Fichier;     // 8 characters, blank-padded: "FRAD017 "
    QString Dossier;     // "O" one file per station, "N" one per base
    QString Compression; // "N"
    int32_t Lng_Enregistrement = 0;
    int32_t Lng_Page = 0;
    int32_t Nb_Cle = 0;
    std::array<SegmentCle, 8> Cle{};
};

// Entries 8, 37, 38, 39 and 46 to 50 stay empty.
inline std::array<DescriptionFichierBtr, 51> CatalogueFichiers;

// Fills every described entry of CatalogueFichiers; calling it again writes
// the same values.
void InitGeneralData();

// The file name of catalogue file `NoFichier` (0..50) for the station of
// index `IndexStation` (0 for station 1): "FRAD014.bt6" for a file of the
// base, "FRADA17.bt6" with the station letter for a per-station file; ".bt6"
// alone for an empty entry, "" for a number outside the catalogue.
QString NomFichierBTR(int16_t NoFichier, int16_t IndexStation);

} // namespace qn3::database
