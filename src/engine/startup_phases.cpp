#include "engine/startup_phases.h"

#include "services/trace_log.h"

namespace qn3::engine {

PhasesDemarrage::PhasesDemarrage(std::function<void(const QString&)> afficher, std::function<bool()> fenetreAffichee)
    : afficher_(std::move(afficher)), fenetreAffichee_(std::move(fenetreAffichee))
{
}

PhasesDemarrage::~PhasesDemarrage()
{
    fin();
}

void PhasesDemarrage::debut(const QString& nom)
{
    fin();
    enCours_ = QStringLiteral("Tools Vandrel: Init: ") + nom;
    if (fenetreAffichee_ && fenetreAffichee_() && afficher_)
        afficher_(enCours_);
    services::TraceLogEncadre(-1, -1, -1, enCours_, QStringLiteral("-"), false);
    chrono_.start();
}

void PhasesDemarrage::fin()
{
    if (enCours_.isEmpty())
        return;
    services::TraceLog(-1, -1, -1, enCours_ + QStringLiteral(": %1 ms").arg(chrono_.elapsed()), false, true);
    enCours_.clear();
}

} // namespace qn3::engine
