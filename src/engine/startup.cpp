#include "engine/startup.h"

#include "engine/frm_main.h"
#include "engine/frm_setup.h"
#include "platform/windows_path.h"
#include "platform/registry_store.h"
#include "services/formats.h"
#include "services/os_facts.h"
#include "services/registry_access.h"
#include "services/shared_values.h"
#include "services/versions.h"
#include "services/trace_log.h"
#include "services/window_members.h"


namespace qn3::engine {
namespace {

void InitialisationSysteme()
{
    services::EnIDE = false;
    services::FormatDate = QStringLiteral("dd/MM/yyyy");
    services::FormatHeure = QStringLiteral("HH:MM:SS");
    services::RepApplication = platform::paths::applicationFolder();
    services::GetVersionExA(services::VersionOS);
    // The desktop's visual theme, as the registry tells it.
    QString theme;
    services::Reg_GetValue(platform::HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                           QStringLiteral("ThemeActive"), theme);
    services::ThemeActif = services::Val(theme) != 0 ? 1 : 0;
}

void Trace(const QString& text)
{
    services::TraceLog(-1, -1, -1, text, false, true);
}

} // namespace

void Demarrage()
{
    services::Frm_Main().Caption =
        QStringLiteral("Quillon: Tools VANDREL - ") + services::VersionApplication();
    FrmMain& main = FrmMain::instance();
    main.show();

    InitialisationSysteme();
    Trace(QStringLiteral("Démarrage de ") + services::Frm_Main().Caption);

    FrmSetup::instance();
    Trace(QStringLiteral("Fenêtre de configuration chargée, dossier des traces: ") + services::RepLogs);

    // The start-up is over: what it told reaches the day's file now rather
    // than with the first full batch.
    services::TraceLogForce();
}

} // namespace qn3::engine
