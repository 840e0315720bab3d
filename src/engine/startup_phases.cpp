#include "engine/startup_phases.h"

#include "engine/engine_values.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "windows/frm_msg.h"

#include <QCoreApplication>
#include <QLabel>

namespace qn3::engine {

void AfficherPhase(const QString& phase)
{
    if (!AttenteAffichee || !windows::FrmMsg::exists())
        return;
    windows::FrmMsg::instance().LabelMsgInit->setText(phase);
    // The phase is seen before its work holds the window thread.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

PhasesDemarrage::PhasesDemarrage(QString prefixe) : prefixe_(std::move(prefixe)) {}

PhasesDemarrage::~PhasesDemarrage()
{
    fin();
}

bool PhasesDemarrage::debut(const QString& nom)
{
    fin();
    const QString phase = prefixe_ + nom;
    AfficherPhase(phase);
    // A phase begun after the program has closed would read and make what
    // nobody will use, and its lines would follow the closing's in the log.
    if (services::FermetureEnCours)
        return false;
    enCours_ = phase;
    services::TraceLogEncadre(-1, -1, -1, enCours_, QStringLiteral("-"), false);
    chrono_.start();
    return true;
}

void PhasesDemarrage::fin()
{
    if (enCours_.isEmpty())
        return;
    services::TraceLog(-1, -1, -1, enCours_ + QStringLiteral(": %1 ms").arg(chrono_.elapsed()), false, true);
    enCours_.clear();
}

} // namespace qn3::engine
