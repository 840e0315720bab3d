#include "engine/frm_setup.h"

#include "engine/engine_values.h"
#include "engine/startup_phases.h"
#include "services/folders.h"
#include "services/formats.h"
#include "services/ini_access.h"
#include "services/network_shares.h"
#include "services/path_names.h"
#include "services/settings_folders.h"
#include "services/site.h"
#include "services/site_names.h"
#include "services/trap.h"
#include "windows/look.h"
#include "windows/window_helpers.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QCloseEvent>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>

namespace qn3::engine {
namespace {

FrmSetup* theInstance = nullptr;

} // namespace

FrmSetup& FrmSetup::instance()
{
    if (!theInstance)
        theInstance = new FrmSetup;
    return *theInstance;
}

bool FrmSetup::isLoaded()
{
    return theInstance != nullptr;
}

void FrmSetup::unload()
{
    if (!theInstance)
        return;
    QString suffixe;
    windows::PositionFeuilleSauvegarde(theInstance, suffixe);
    services::TraceLogForce();
    services::SetupCharge = false;
    delete theInstance;
    theInstance = nullptr;
}

FrmSetup::FrmSetup()
{
    setObjectName(QStringLiteral("FrmSetup"));
    setWindowTitle(QStringLiteral("Configuration"));
    auto* layout = new QVBoxLayout(this);
    listeLog_ = new QListView(this);
    listeLog_->setObjectName(QStringLiteral("ListeLog"));
    listeLog_->setModel(&services::FrmSetup().ListeLog);
    listeLog_->setUniformItemSizes(true);
    layout->addWidget(listeLog_);
    resize(700, 400);

    windows::LookFenetre(this, 1);
    QString suffixe;
    windows::PositionFeuille(this, suffixe);
    PhasesDemarrage phases(QStringLiteral("Tools Vandrel: Setup: Init: "));
    phases.debut(QStringLiteral("Folders"));
    initialiseFolders();
    phases.fin();
    services::SetupCharge = true;
}

FrmSetup::~FrmSetup() = default;

void FrmSetup::initialiseFolders()
{
    services::Trap trap(u"FrmSetup:InitialisationDossiers");
    trap([] {
        if (services::RepSettings.trimmed().isEmpty())
            services::NomDossierSettings();
    });
    // The site's initialisation has made the chosen base the base of index
    // 0; the import and the export work in it alone.
    trap([] {
        const QString site = services::DetermineDossierConfig(1);
        services::RepConfig[0] = services::DetermineDossierConfig_Fichier(site, 1);
        const QString systeme = services::RepConfig[0] + QStringLiteral("QN3_Systeme.ini");
        // The section the site's initialisation read the base under, so that
        // the record files open where it checked the database.
        const QString section = services::SectionBaseSysteme(systeme, services::NoBaseEnCours);
        auto dossier = [&](QStringView cle, QStringView defaut) {
            return services::CheckRep(services::LectureIni(systeme, section, cle.toString(), defaut.toString()));
        };
        // This computer's own shares are used through their local folders.
        services::RepBtr[0] = services::DossierLocalDuPoste(0, dossier(u"Dossier_Data", u"C:\\QN_Data\\"));
        RepPartage[0]
            = services::DossierLocalDuPoste(0, dossier(u"Dossier_Shared", u"C:\\Sonvarek\\Quillon\\Shared\\"));
        services::RepLocal[0] = dossier(u"Dossier_Local", u"C:\\Sonvarek\\Quillon\\Settings\\_Local\\");
        RepLogPub[0] = dossier(u"Dossier_Log_Pub", u"C:\\AudioLog\\Pub\\");
        services::RepLogs = dossier(u"Dossier_Log", services::kDossierLogDefaut) + services::kDossierHisto;
        const double stations = services::Val(
            services::LectureIni(systeme, section, QStringLiteral("NbStation"), QStringLiteral("1")));
        services::PremiereStation[0] = 1;
        services::DerniereStation[0] = static_cast<int16_t>(std::clamp(stations, 0.0, 10.0));
    });
    // The trace log appends to a file in this folder; it must exist before
    // the first batch. A folder that cannot be made is traced, and the trace
    // log keeps its lines until it can write them.
    trap([] { services::VerificationEtCreationRepertoire(services::RepLogs, true); });
}

void FrmSetup::closeEvent(QCloseEvent* event)
{
    // Closing by the user hides the window; it stays loaded for the run.
    event->ignore();
    hide();
}

} // namespace qn3::engine
