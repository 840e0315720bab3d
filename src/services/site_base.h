#pragma once

#include "services/trap.h"

#include <cstdint>

// The reading of one base at start-up, for the site initialisation only.
namespace qn3::services {

// Fills entry `z` of ParametresBase from the "QN3_Systeme.ini" of base
// number `NoBase` (in the entry's folder, under the section
// SectionBaseSysteme gives), makes its folders, checks its database, copies
// the program for redistribution and makes its sound folders. Failures go to
// `trap`. False when the user cancelled the database question: the caller
// ends the program.
bool LectureBase(Trap& trap, int16_t z, int16_t NoBase);

} // namespace qn3::services
