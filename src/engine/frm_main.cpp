#include "engine/frm_main.h"

#include "engine/frm_setup.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

namespace qn3::engine {
namespace {

FrmMain* theInstance = nullptr;

constexpr int kAlertBlinkMs = 500;

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

    // The trace log ticks the box for every incident; the user unticks it to
    // acknowledge, which ends the alert.
    members.CheckIncidents0.setClickHandler([this] { showIncidentsAlert(); });
    connect(checkIncidents_, &QCheckBox::toggled, this, [](bool checked) {
        services::Frm_Main().CheckIncidents0.setValue(checked ? 1 : 0);
    });
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
        return;
    }
    labelIncidents_->setText(tr("Nouvel incident"));
    if (!timerIncidents_->isActive())
        timerIncidents_->start();
    listeIncidents_->scrollToBottom();
}

void FrmMain::blinkIncidentsLabel()
{
    labelIncidents_->setStyleSheet(labelIncidents_->styleSheet().isEmpty()
                                       ? QStringLiteral("color: white; background: #c00000;")
                                       : QString());
}

void FrmMain::closeWithoutQuestion()
{
    askBeforeClosing_ = false;
    close();
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (askBeforeClosing_
        && QMessageBox::question(this, windowTitle(), QStringLiteral("Voulez-vous quitter le programme ?"))
               != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    services::TraceLog(-1, -1, -1,
                       askBeforeClosing_ ? QStringLiteral("Fermeture du programme demandée par l'utilisateur")
                                         : QStringLiteral("Fermeture du programme demandée par le système"),
                       false, true);
    services::FermetureEnCours = true;
    timerIncidents_->stop();
    FrmSetup::unload();
    event->accept();
    // The program lives as long as its main window.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace qn3::engine
