#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>

class QLabel;

namespace qn3::windows {

// The start-up wait window: borderless, topmost, without a task-bar entry,
// centred against the top edge of the screen, with rounded corners. The
// start-up writes each phase into `LabelMsgInit` (objectName
// "LabelMsgInit"). One instance for the run, made on first use; showing and
// hiding it keep its place, its topmost state and its corners. While a
// dialog or box of the program is shown, it steps below it.
class FrmMsg : public QWidget {
public:
    static FrmMsg& instance();
    static bool exists();
    // Unloads the window; the next instance() loads a new one.
    static void destroyInstance();

    QLabel* LabelMsgInit = nullptr;
    // The shadowed "Patientez S.V.P.": element 0 white, element 1 black.
    std::array<QLabel*, 2> LabelPatientez{};

protected:
    void paintEvent(QPaintEvent* event) override;
    // Watches the program's dialogs being shown and hidden.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrmMsg();
    void Form_Load();
    // Above every window, except while a dialog of the program is shown: the
    // dialog's title bar and first lines must not be covered.
    void followDialogs();

    QPixmap background_;
};

} // namespace qn3::windows
