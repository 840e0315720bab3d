#pragma once

namespace qn3::engine {

// The start-up sequence of the program, as far as it stands today: the
// main window, the shared values of the system initialisation, then the
// settings window that makes the trace log write to its folder.
void Demarrage();

} // namespace qn3::engine
