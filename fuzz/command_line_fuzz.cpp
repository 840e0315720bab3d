#include "engine/command_line.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

// Input: the program's arguments as UTF-8, one per line. Reading never
// crashes, the wait stays within 0 and the longest one honoured, and an
// argument that names neither option changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qn3::engine;
    const QStringList arguments =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)).split(u'\n');
    const LigneDeCommande ligne = LectureLigneDeCommande(arguments);
    if (ligne.Attente < 0 || ligne.Attente > kAttenteMaximale)
        std::abort();
    const LigneDeCommande seul = LectureLigneDeCommande({QStringLiteral("/Other=") + arguments.join(u' ')});
    if (seul.Attente != 0 || seul.Veille)
        std::abort();
    return 0;
}
