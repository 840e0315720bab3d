#pragma once

#include "database/call_block.h"

#include <QString>

#include <cstdint>

// The one road of every record operation of the import, the export and the
// song-id allocation to the record files.
namespace qn3::database {

// Performs record operation `Operation` with key `NoCle` on file `NoFichier`
// of base `NoZone` and station `NoStation` (below 1 counts as 1), through
// the file's record buffer, position block and data length; the outcome is
// StatutBtr. Keeps the base's history when `SubAppelant` (the caller's
// "Module:Procedure") is not blank, cleaning `Cle` of control characters.
// Refuses a file not marked to open (status 20, report, end of the program).
// Conflicts (80) and locks (36-39, 81, 83-85, 92) are retried with pauses;
// other failures are reported to the operator, whose Abort ends the program.
// A persisting conflict is given up with StatutBtr 80.
void BTRieve(int16_t NoZone, int16_t Operation, QString& Cle, int16_t NoCle, int16_t NoFichier, int32_t NoStation,
             const QString& SubAppelant, int16_t& Reserve);

// One call of the record manager for file `NoFichier` with its record
// buffer, `Position` and `LongueurDonnees` updated from what it handed back.
// A file without a record buffer makes no call and gives 0. Get Position (22)
// saves the leading fields into PositionSauveeBtr; Get Direct (23) writes
// them back first. Only BTRieve calls it.
int16_t BTRieve_Reel(int16_t& NoFichier, int16_t& Operation, PositionBlock& Position, int32_t& LongueurDonnees,
                     QString& Cle, int16_t& NoCle);

} // namespace qn3::database
