#pragma once

#include <QWidget>

class QLabel;

namespace qn3::windows {

// The start-up wait window: borderless, topmost, without a task-bar entry,
// centred at the top of the screen; the start-up writes each phase into
// `LabelMsgInit`. One instance for the run.
class FrmMsg : public QWidget {
public:
    static FrmMsg& instance();
    static bool exists();
    static void destroyInstance();

    QLabel* LabelMsgInit = nullptr;

private:
    FrmMsg();
};

} // namespace qn3::windows
