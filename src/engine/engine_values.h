#pragma once

#include "services/shared_values.h"

#include <QString>

#include <array>

// Values of the engine itself, set while the program starts.
namespace qn3::engine {

// The advertising broadcast-log folder of each base (trailing backslash).
inline std::array<QString, services::kZones> RepLogPub;
// The shared folder of each base (trailing backslash).
inline std::array<QString, services::kZones> RepPartage;

// True while the start-up shows the wait window: the start-up's phases and
// the settings window's own are named in it only then.
inline bool AttenteAffichee = false;

} // namespace qn3::engine
