#include "engine/frm_main.h"

#include "engine/engine_values.h"
#include "engine/frm_setup.h"
#include "engine/program_icon.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/user_interaction.h"
#include "services/window_members.h"
#include "windows/window_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

namespace qn3::engine {
namespace {

FrmMain* theInstance = nullptr;

constexpr int kAlertBlinkMs = 500;

void trace(const QString& text)
{
    services::TraceLog(-1, -1, -1, text, false, true);
}

} // namespace

FrmMain& FrmMain::instance()
{
    if (!theInstance)
        theInstance = new FrmMain;
    return *theInstance;
}

void FrmMain::destroyInstance()
{
    delete theInstance;
    theInstance = nullptr;
}

FrmMain::FrmMain()
{
    setObjectName(QStringLiteral("Frm_Main"));
    services::FrmMainMembers& members = services::Frm_Main();
    setWindowTitle(members.Caption);
    setWindowIcon(IconeProgramme());
    members.hWnd = static_cast<int32_t>(winId());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* alertRow = new QHBoxLayout;
    checkIncidents_ = new QCheckBox(tr("Incidents"), central);
    checkIncidents_->setObjectName(QStringLiteral("CheckIncidents"));
    labelIncidents_ = new QLabel(central);
    labelIncidents_->setObjectName(QStringLiteral("LabelIncidents"));
    alertRow->addWidget(checkIncidents_);
    alertRow->addWidget(labelIncidents_, 1);
    layout->addLayout(alertRow);

    listeIncidents_ = new QListView(central);
    listeIncidents_->setObjectName(QStringLiteral("ListeIncidents"));
    listeIncidents_->setModel(&members.ListeIncidents0);
    listeIncidents_->setUniformItemSizes(true);
    layout->addWidget(listeIncidents_);
    setCentralWidget(central);
    resize(800, 450);

    timerIncidents_ = new QTimer(this);
    timerIncidents_->setObjectName(QStringLiteral("TimerIncidents"));
    timerIncidents_->setInterval(kAlertBlinkMs);
    connect(timerIncidents_, &QTimer::timeout, this, &FrmMain::blinkIncidentsLabel);

    creationMenuLogs();
    creationIcone();

    // The trace log ticks the box for every incident; the user unticks it to
    // acknowledge, which ends the alert.
    members.CheckIncidents0.setClickHandler([this] { showIncidentsAlert(); });
    connect(checkIncidents_, &QCheckBox::toggled, this, [](bool checked) {
        services::Frm_Main().CheckIncidents0.setValue(checked ? 1 : 0);
    });
}

void FrmMain::creationMenuLogs()
{
    QMenu* menu = menuBar()->addMenu(tr("&Logs"));
    menu->setObjectName(QStringLiteral("MnuLogs"));
    auto entry = [&](const char* name, const QString& text, std::function<void()> show) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, std::move(show));
    };
    // Each entry reads its folder when chosen: the folders are known only
    // once the start-up has read the settings.
    entry("MnuLogTrace", tr("Traces du programme"), [] { services::AfficherLog(services::RepLogs, {}, {}); });
    entry("MnuLogPub", tr("Log publicité de la base"), [] { services::AfficherLog(RepLogPub[0], {}, {}); });
    entry("MnuLogExport", tr("Traces de l'export Vandrel"),
          [this] { services::AfficherLog(DossierExport, {}, QStringLiteral("_QN3_Export_Vandrel")); });
}

// The icon exists whatever the desktop; it is shown only where there is a
// notification area, so the window never hides where it could not come back.
void FrmMain::creationIcone()
{
    icone_ = new QSystemTrayIcon(IconeProgramme(), this);
    icone_->setObjectName(QStringLiteral("IconeVeille"));
    icone_->setToolTip(QStringLiteral("Quillon: Tools VANDREL"));
    connect(icone_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            showNormal();
            activateWindow();
        }
    });
    if (QSystemTrayIcon::isSystemTrayAvailable())
        icone_->show();
}

void FrmMain::passerEnVeille()
{
    if (icone_->isVisible())
        hide();
}

void FrmMain::showIncidentsAlert()
{
    const bool alert = services::Frm_Main().CheckIncidents0.Value() != 0;
    {
        const QSignalBlocker quiet(checkIncidents_);
        checkIncidents_->setChecked(alert);
    }
    if (!alert) {
        timerIncidents_->stop();
        labelIncidents_->clear();
        labelIncidents_->setStyleSheet(QString());
        icone_->setIcon(IconeProgramme());
        return;
    }
    labelIncidents_->setText(tr("Nouvel incident"));
    if (!timerIncidents_->isActive())
        timerIncidents_->start();
    listeIncidents_->scrollToBottom();
}

void FrmMain::blinkIncidentsLabel()
{
    const bool lit = labelIncidents_->styleSheet().isEmpty();
    labelIncidents_->setStyleSheet(lit ? QStringLiteral("color: white; background: #c00000;") : QString());
    // In the notification area the icon blinks with the label, so that an
    // incident is seen while the window is hidden.
    icone_->setIcon(lit ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : IconeProgramme());
}

void FrmMain::closeWithoutQuestion()
{
    askBeforeClosing_ = false;
    // Asked while the quit question waits (SIGTERM then): Qt ignores a second
    // close of a window that is closing, so the question is withdrawn and the
    // close under way goes on without its answer.
    if (asking_) {
        if (auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            question->done(QDialog::Rejected);
        return;
    }
    close();
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->ignore();
        return;
    }
    if (askBeforeClosing_) {
        services::MessageBoxRequest question;
        question.text = QStringLiteral("Voulez-vous quitter le programme ?");
        question.style = services::msgbox::YesNo | services::msgbox::Question;
        question.title = windowTitle();
        asking_ = true;
        const int32_t answer = services::UserInteraction::current().askMessageBox(question);
        asking_ = false;
        // The system's request while the user was asked closes whatever the answer.
        if (answer != services::msgbox::AnswerYes && askBeforeClosing_) {
            event->ignore();
            return;
        }
    }
    closing_ = true;
    trace(askBeforeClosing_ ? QStringLiteral("Fermeture du programme demandée par l'utilisateur")
                            : QStringLiteral("Fermeture du programme demandée par le système"));
    // Closed before the settings window has loaded, the program still
    // leaves the day's log of what it did.
    services::TraceLogFinDuProgramme();
    services::FermetureEnCours = true;
    timerIncidents_->stop();
    icone_->hide();
    QString suffixe;
    windows::PositionFeuilleSauvegarde(this, suffixe);
    FrmSetup::unload();
    event->accept();
    // The program lives as long as its main window: every event loop ends
    // (QCoreApplication::quit would first ask every window to close, and a box
    // that cannot be closed by its frame would keep the program waiting).
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace qn3::engine
