#pragma once

#include <QIcon>

namespace qn3::engine {

// The program's own icon, drawn from the SVG picture kept in the program's
// resources at the sizes the desktop asks for (title bars, task bar,
// notification area).
QIcon IconeProgramme();

} // namespace qn3::engine
