#pragma once

#include <QElapsedTimer>
#include <QString>

namespace qn3::engine {

// Writes a phase's name into the wait window while the start-up shows it
// (AttenteAffichee), and lets it paint; does nothing otherwise, so a later
// opening of the settings window never brings the wait window back.
void AfficherPhase(const QString& phase);

// The timed phases of the start-up: each is named in the wait window while it
// is shown, framed in the trace log when it begins, and traced with its
// duration in milliseconds when it ends ("Tools Vandrel: Init: Site: 12 ms").
class PhasesDemarrage {
public:
    // `prefixe` comes before each phase's name: the main window's start-up
    // uses the default, the settings window "Tools Vandrel: Setup: Init: ".
    explicit PhasesDemarrage(QString prefixe = QStringLiteral("Tools Vandrel: Init: "));
    ~PhasesDemarrage();
    PhasesDemarrage(const PhasesDemarrage&) = delete;
    PhasesDemarrage& operator=(const PhasesDemarrage&) = delete;

    // Ends the running phase, if any, and begins the prefix + `nom`. Showing
    // the name lets the window messages run, so a request to stop may be
    // answered there: when the program is then closing (FermetureEnCours),
    // the phase is not begun and the result is False.
    bool debut(const QString& nom);
    // Ends the running phase, if any.
    void fin();

private:
    QString prefixe_;
    QString enCours_;
    QElapsedTimer chrono_;
};

} // namespace qn3::engine
