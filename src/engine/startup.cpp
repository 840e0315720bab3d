#include "engine/startup.h"

#include "engine/frm_main.h"
#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "engine/startup_phases.h"
#include "engine/suite_settings.h"
#include "database/call_block.h"
#include "database/catalogue.h"
#include "database/opening.h"
#include "services/site.h"
#include "windows/frm_msg.h"
#include "windows/look.h"
#include "windows/window_helpers.h"
#include "platform/registry_store.h"
#include "platform/windows_path.h"
#include "services/formats.h"
#include "services/os_facts.h"
#include "services/registry_access.h"
#include "services/settings_folders.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/versions.h"
#include "services/window_members.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace qn3::engine {
namespace {

// The main window's first initialisation: the system's facts and formats,
// known before any folder is read.
void InitialisationSysteme()
{
    services::EnIDE = EnvironnementDeDeveloppement();
    services::FormatDate = QStringLiteral("dd/MM/yyyy");
    services::FormatHeure = QStringLiteral("HH:MM:SS");
    services::GetVersionExA(services::VersionOS);
    QString theme;
    services::Reg_GetValue(platform::HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                           QStringLiteral("ThemeActive"), theme);
    services::ThemeActif = services::Val(theme) != 0 ? 1 : 0;
}

// The record files the program works with, opened for every station of the
// base at start-up.
constexpr int16_t kFichiersOuverts[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 16, 17, 18, 22, 26, 27, 31, 32};

void Trace(const QString& text)
{
    services::TraceLog(-1, -1, -1, text, false, true);
}

// The wait the command line asks for; the window messages run meanwhile, so
// a request to stop is answered at once.
void Attente(int32_t millisecondes)
{
    if (millisecondes <= 0)
        return;
    Trace(QStringLiteral("Attente de %1 ms demandée par la ligne de commande").arg(millisecondes));
    QEventLoop loop;
    QTimer::singleShot(millisecondes, &loop, &QEventLoop::quit);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
}

// A picture of a window for the documentation and the end-to-end test, when
// QN3_SCREENSHOTS names a folder.
void Photo(QWidget& fenetre, const QString& nom)
{
    const QString dossier = qEnvironmentVariable("QN3_SCREENSHOTS");
    if (!dossier.isEmpty())
        fenetre.grab().save(dossier + u'/' + nom + QStringLiteral(".png"));
}

} // namespace

bool EnvironnementDeDeveloppement()
{
    return qEnvironmentVariable("QN3_DEVELOPMENT") == QStringLiteral("1");
}

FrmMain& ChargementFenetrePrincipale()
{
    services::Frm_Main().Caption =
        QStringLiteral("Quillon: Tools VANDREL - ") + services::VersionApplication();
    // The look needs the window it dresses and the program's folder, below
    // which the skins lie: both exist before it is set up.
    FrmMain& main = FrmMain::instance();
    // Set once, by the first loading: the folders of the site are taken below it.
    if (services::RepApplication.isEmpty())
        services::RepApplication = platform::paths::applicationFolder();
    windows::InitGeneralLook(-1);
    windows::LookFenetre(&main, 1);
    return main;
}

void Demarrage(const OptionsDemarrage& options)
{
    FrmMain& main = ChargementFenetrePrincipale();
    if (options.fenetrePrincipaleCreee)
        options.fenetrePrincipaleCreee(&main);
    main.show();

    Attente(options.ligne.Attente);
    if (services::FermetureEnCours)
        return;

    windows::FrmMsg::instance().show();
    AttenteAffichee = true;
    PhasesDemarrage phases;
    // A request to stop is answered whenever the window messages run: at the
    // latest when the next phase shows its name, or during a question. The
    // start-up ends there: a run stopped before the site's folders were read
    // reads none, rather than reading them after its day's log has gone to
    // the default folder.
    auto arrete = [] { return services::FermetureEnCours; };

    if (!phases.debut(QStringLiteral("General")))
        return;
    InitialisationSysteme();
    Trace(QStringLiteral("Démarrage de ") + services::Frm_Main().Caption);

    if (!phases.debut(QStringLiteral("Site")))
        return;
    bool arret = false;
    services::InitGeneralPath(-1);
    // The classic-look notice of a new site lets the window messages run
    // before any base's folder is read.
    if (arrete())
        return;
    services::InitGeneralSite(arret);
    if (arret || arrete())
        return;

    if (!phases.debut(QStringLiteral("Setup")))
        return;
    FrmSetup::instance();
    main.DossierExport = services::RepLogs;
    if (arrete())
        return;

    if (!phases.debut(QStringLiteral("Data")))
        return;
    database::InitGeneralData();
    LectureRepPRG(0);

    if (!phases.debut(QStringLiteral("Database")))
        return;
    // Only stations 1 to 10 have record files, whatever the settings said.
    const int premiere = std::max<int>(services::PremiereStation[0], 1);
    const int derniere = std::min<int>(services::DerniereStation[0], database::kStations);
    for (int16_t fichier : kFichiersOuverts)
        for (int station = premiere; station <= derniere; ++station)
            database::FichiersAOuvrir[0][fichier][station - 1] = -1;
    database::BaseOuverte = database::BTr_Ouverture(0, 0, QString(), -1);
    if (arrete())
        return;

    if (!phases.debut(QStringLiteral("Sounds")))
        return;
    LectureRepSons(0);
    LocalisationRepSons(0);

    if (!phases.debut(QStringLiteral("Display")))
        return;
    Photo(windows::FrmMsg::instance(), QStringLiteral("main_wait_window"));
    // A positions file of no use leaves every window where it opens; say why
    // once, not at each window's loading.
    services::SignalerFichierIgnore(
        -1, services::NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini")));
    QString suffixe;
    windows::PositionFeuille(&main, suffixe);
    windows::FrmMsg::destroyInstance();
    AttenteAffichee = false;
    phases.fin();
    Trace(QStringLiteral("Tools Vandrel: Ready (BaseOuverte: %1)")
              .arg(database::BaseOuverte ? QStringLiteral("True") : QStringLiteral("False")));
    Photo(main, QStringLiteral("main_window"));
    // What the start-up told reaches the day's file now rather than with the
    // first full batch.
    services::TraceLogForce();

    if (options.ligne.Veille)
        QTimer::singleShot(100, &main, &FrmMain::passerEnVeille);
    if (options.quitterQuandPret)
        QTimer::singleShot(0, &main, &FrmMain::closeWithoutQuestion);
    else if (options.quitterAvecQuestion)
        QTimer::singleShot(0, &main, &QWidget::close);
}

} // namespace qn3::engine
