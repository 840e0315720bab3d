#pragma once

#include <QStringList>

#include <cstdint>

namespace qn3::engine {

// What the program's command line asks for: "/Wait=" and milliseconds to wait
// before the start-up goes on (the start-up shortcut passes it after a
// restart, so the desktop settles first), and "/Veille=True" to go to the
// notification area once started.
struct LigneDeCommande {
    int32_t Attente = 0;
    bool Veille = false;
};

// The longest wait honoured: the start-up shortcut never asks for more.
inline constexpr int32_t kAttenteMaximale = 120000;

// Reads the arguments (the program's name excluded). Option names ignore
// case; a wait that is not a number counts as none, a negative one as 0 and
// one above kAttenteMaximale as that maximum; anything else is ignored.
LigneDeCommande LectureLigneDeCommande(const QStringList& arguments);

} // namespace qn3::engine
