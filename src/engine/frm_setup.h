#pragma once

#include <QWidget>

class QListView;

namespace qn3::engine {

// The settings window. Loading it dresses it, restores its place, and sets
// the base's folders (RepConfig, RepBtr, RepLocal, the broadcast-log folder,
// RepLogs) and stations from the site's settings, which makes the log folder
// known and moves the trace log's buffer here; closing it by the user only
// hides it, unloading it saves its place and flushes the buffer first.
class FrmSetup : public QWidget {
    Q_OBJECT
public:
    // The single instance, loaded on first use.
    static FrmSetup& instance();
    static bool isLoaded();
    // Unloads the window: flushes the trace log and clears SetupCharge.
    static void unload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FrmSetup();
    ~FrmSetup() override;
    void initialiseFolders();

    QListView* listeLog_ = nullptr;
};

} // namespace qn3::engine
