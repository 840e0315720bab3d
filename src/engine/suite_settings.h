#pragma once

#include <QString>

#include <cstdint>

// What the program takes from the suite's system file "ZT_SYS.ini" of a
// base's configuration folder (RepConfig).
namespace qn3::engine {

// RepPRG: the suite's program folder, key "REPPRG" of section "Repertoires"
// ("Repertoires_UNC" when key "REPPRG" of section "UNC_Actif" is "ON"),
// default "C:\Sonvarek\Quillon\"; with a trailing backslash.
void LectureRepPRG(int16_t NoZone);

// RepSons of the zone: for each category (index as SerieDeRepertoire gives
// it: "000", "JIN", "LIN", "RUB", "INF", "PRE", "PUB", "TMP", "NUM") and
// slot 00 to 09, key "<category>_<slot>" of section "Repertoire_Station_NNN"
// ("Repertoire_Station_UNC_NNN" when the same key of section "UNC_ActifNNN"
// is "ON"), NNN being the base number in three digits: for zone 0, the
// chosen base of the site unless the file has the sections of base 1. A value is a flag,
// a comma and the folder; a slot is in use when its folder is not blank and
// its flag is not "0". Slots in use are packed from slot 0, the others
// emptied.
void LectureRepSons(int16_t NoZone);

// The sound folders of RepSons of the zone that go through one of this
// computer's shares become the shares' local folders (DossierLocalDuPoste).
void LocalisationRepSons(int16_t NoZone);

} // namespace qn3::engine
