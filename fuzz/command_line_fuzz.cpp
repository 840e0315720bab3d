#include "engine/command_line.h"
#include "fuzz_support.h"

#include <QStringList>

// Input: the program's arguments as UTF-8, one per line. Reading never
// crashes, the wait stays within 0 and the longest one honoured, and an
// argument that names neither option changes nothing.
QN3_FUZZ_TARGET(bytes)
{
    using namespace qn3::engine;
    const QStringList arguments = QString::fromUtf8(bytes).split(u'\n');
    const LigneDeCommande ligne = LectureLigneDeCommande(arguments);
    qn3::fuzzing::require(ligne.Attente >= 0 && ligne.Attente <= kAttenteMaximale);
    const LigneDeCommande seul = LectureLigneDeCommande({QStringLiteral("/Other=") + arguments.join(u' ')});
    qn3::fuzzing::require(seul.Attente == 0 && !seul.Veille);
}
