#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// The members of the main window (Frm_Main) and of the settings window
// (FrmSetup) that the services use. The services own the contents; the
// windows of the engine only show them (a list view on each ListBox, a check
// box bound to each CheckBox), so no service ever includes a widget header.
namespace qn3::services {

// The content of a list box: lines added at the end, read by index, cleared.
class ListBox : public QAbstractListModel {
public:
    void AddItem(const QString& line);
    int ListCount() const { return static_cast<int>(lines_.size()); }
    const QString& List(int index) const { return lines_.at(index); }
    const QStringList& lines() const { return lines_; }
    void Clear();
    // Removes the line at `index`; the lines after it move up one place.
    // Throws std::out_of_range for an index without a line.
    void RemoveItem(int index);
    // Replaces every line at once (one reset for the views, however many lines).
    void setLines(QStringList lines);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList lines_;
};

// The value of a check box; setting it runs the window's click handler at
// once, inside the caller, as the control does.
class CheckBox {
public:
    int Value() const { return value_; }
    void setValue(int value);
    // Installed by the window that shows the box.
    void setClickHandler(std::function<void()> handler) { onClick_ = std::move(handler); }

private:
    int value_ = 0;
    std::function<void()> onClick_;
};

// The common-dialog control: properties set by the caller, then ShowOpen.
class CommonDialog {
public:
    bool CancelError = false;
    QString InitDir;
    QString Filter;
    int32_t Flags = 0;
    QString FileName;

    // Asks for a file through the installed user interaction. On cancel the
    // file name is left as it was and, when CancelError is set, a
    // RuntimeError 32755 ("Cancel was selected") is thrown.
    void ShowOpen();
};

// The skin component of the main window, reached by the window look at the
// main window's loading only: the skins folder, the skin to load, the window
// to dress and an options word. The window that shows it installs the
// dresser that gives the loaded skin its look.
class SkinComponent {
public:
    // Names the folder the skins are read from; the answer is not used further.
    int32_t LoadSkinsFolder(const QString& folder, bool enabled);
    // Loads a skin file and the colour scheme named inside it; two empty
    // texts mean no skin.
    void LoadSkin(const QString& skinFile, const QString& iniName);
    // Hands over the window to dress with the loaded skin.
    void ApplyWindow(int32_t hWnd);
    int32_t ApplyOptions = 0;

    const QString& skinsFolder() const { return skinsFolder_; }
    const QString& skinFile() const { return skinFile_; }
    const QString& iniName() const { return iniName_; }
    void setDresser(std::function<void(const QString& skinFile, const QString& iniName)> dresser)
    {
        dresser_ = std::move(dresser);
    }

private:
    QString skinsFolder_;
    QString skinFile_;
    QString iniName_;
    std::function<void(const QString&, const QString&)> dresser_;
};

struct FrmMainMembers {
    QString Caption;
    int32_t hWnd = 0;
    ListBox ListeLogTemp;
    ListBox ListeIncidents0;
    CheckBox CheckIncidents0;
    CommonDialog CMDialog;
    SkinComponent SkinFramework;
    // Deliberately does nothing: the message and input boxes hand it every key.
    void GestionClavier(int16_t KeyCode, int16_t Shift, bool& TouchesUtilisees);
    void GestionClavier(int16_t KeyCode, int16_t Shift, bool& TouchesUtilisees, bool& SendUDP);
};

struct FrmSetupMembers {
    ListBox ListeLog;
};

// The single instances, alive for the whole run.
FrmMainMembers& Frm_Main();
FrmSetupMembers& FrmSetup();

} // namespace qn3::services
