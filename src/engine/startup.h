#pragma once

#include "engine/command_line.h"

#include <functional>

class QWidget;

namespace qn3::engine {

struct OptionsDemarrage {
    LigneDeCommande ligne;
    // Closes the program once ready (QN3_QUIT_WHEN_READY=1): the start-up
    // benchmark measures a whole start this way.
    bool quitterQuandPret = false;
    // Closes it once ready as the user does with the close box, asking the
    // quit question (QN3_QUIT_WHEN_READY=question): a scripted answer then
    // decides, as in the end-to-end test.
    bool quitterAvecQuestion = false;
    // Called with the main window as soon as it exists, before any question
    // may be asked: the questions' windows are owned by it.
    std::function<void(QWidget*)> fenetrePrincipaleCreee;
};

class FrmMain;

// The main window's loading: the window made, the program's folder known,
// the window look set up on them and the window dressed with it.
FrmMain& ChargementFenetrePrincipale();

// The program's start-up, run from the event loop: the main window's
// loading, its general initialisation in timed phases (site, settings
// window, catalogue, record files, suite folders), then ready.
void Demarrage(const OptionsDemarrage& options);

// True only when the environment variable QN3_DEVELOPMENT is "1": the
// delivered program never runs its development checks otherwise.
bool EnvironnementDeDeveloppement();

} // namespace qn3::engine
