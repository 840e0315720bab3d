#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace qn3::engine {

// The timed phases of the start-up: each is named in the wait window while it
// is shown, framed in the trace log when it begins, and traced with its
// duration in milliseconds when it ends ("Tools Vandrel: Init: Site: 12 ms").
class PhasesDemarrage {
public:
    // `afficher` writes a phase's name into the wait window; it is called
    // only while `fenetreAffichee` answers True.
    PhasesDemarrage(std::function<void(const QString&)> afficher, std::function<bool()> fenetreAffichee);
    ~PhasesDemarrage();
    PhasesDemarrage(const PhasesDemarrage&) = delete;
    PhasesDemarrage& operator=(const PhasesDemarrage&) = delete;

    // Ends the running phase, if any, and begins "Tools Vandrel: Init: " + `nom`.
    void debut(const QString& nom);
    // Ends the running phase, if any.
    void fin();

private:
    std::function<void(const QString&)> afficher_;
    std::function<bool()> fenetreAffichee_;
    QString enCours_;
    QElapsedTimer chrono_;
};

} // namespace qn3::engine
