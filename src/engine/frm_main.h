#pragma once

#include <QMainWindow>

class QCheckBox;
class QLabel;
class QListView;
class QSystemTrayIcon;
class QTimer;

namespace qn3::engine {

// The main window. It shows the incidents list and the incidents alert that
// the trace log drives through Frm_Main()'s members, and the log menu. It
// exists once, created on first use, and is reached through instance().
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    static FrmMain& instance();
    // Deletes the single instance, if any (at the end of the run).
    static void destroyInstance();

    // Closes the window without asking the quit question: the way a request
    // from the system (SIGTERM, SIGINT) ends the program.
    void closeWithoutQuestion();

    // Goes to the notification area: the window hides behind its icon. Does
    // nothing where the desktop has no notification area.
    void passerEnVeille();

    // The folder of the export's day files, shown by the log menu.
    QString DossierExport;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FrmMain();
    void creationMenuLogs();
    void creationIcone();
    // Follows the value of CheckIncidents(0): blinking while it is ticked.
    void showIncidentsAlert();
    void blinkIncidentsLabel();

    QListView* listeIncidents_ = nullptr;
    QCheckBox* checkIncidents_ = nullptr;
    QLabel* labelIncidents_ = nullptr;
    QTimer* timerIncidents_ = nullptr;
    QSystemTrayIcon* icone_ = nullptr;
    bool askBeforeClosing_ = true;
    bool closing_ = false;
    bool asking_ = false; // the quit question waits for its answer
};

} // namespace qn3::engine
