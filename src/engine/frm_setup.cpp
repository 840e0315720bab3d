#include "engine/frm_setup.h"

#include "services/folders.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QCloseEvent>
#include <QListView>
#include <QVBoxLayout>

namespace qn3::engine {
namespace {

FrmSetup* theInstance = nullptr;

// Until the site initialisation reads the base's settings, the log folder is
// the site's default one.
const QString kDefaultLogFolder = QStringLiteral("C:\\AudioLog\\");
const QString kHistoryFolder = QStringLiteral("Histo_QN3_Tools_Vandrel\\");

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

    initialiseFolders();
    services::SetupCharge = true;
}

FrmSetup::~FrmSetup() = default;

void FrmSetup::initialiseFolders()
{
    services::RepLogs = kDefaultLogFolder + kHistoryFolder;
    // The trace log appends to a file in this folder; it must exist before
    // the first batch. A folder that cannot be made is traced, and the trace
    // log keeps its lines until it can write them.
    services::VerificationEtCreationRepertoire(services::RepLogs, true);
}

void FrmSetup::closeEvent(QCloseEvent* event)
{
    // Closing by the user hides the window; it stays loaded for the run.
    event->ignore();
    hide();
}

} // namespace qn3::engine
