#pragma once

#include "services/user_interaction.h"

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QToolButton;

// The open-file dialog as a French user of the Windows program knows it:
// "Regarder dans :" over the program's drives and folders in the Windows
// view, the folders and the files of the folder shown that the type keeps,
// "Nom du fichier :" that takes a name or a Windows path, "Fichiers de
// type :" from the caller's filter, "Ouvrir" and "Annuler".
namespace qn3::windows {

class EntriesOfOneSize;
class FolderSelectTree;
struct TypedPath;

class FileOpenDialog final : public QDialog {
public:
    // Titled `request.title` ("Ouvrir" when empty), showing the folder of the
    // preset file name, else `request.initialFolder` (or their nearest
    // existing parent), the preset name in the name box.
    FileOpenDialog(QWidget* owner, const services::OpenFileRequest& request);

    // The folder shown, as a Windows path ("C:\Logs", "C:\" for a drive).
    const QString& shownFolder() const { return folder_; }
    // The file accepted, as a Windows path.
    const QString& chosenFile() const { return chosen_; }

    // "Ouvrir": opens the folder selected in the list or the one typed, takes
    // a typed mask as the list's filter, and accepts a file that exists; a
    // name picked in the list is never a mask. Anything else is refused in
    // words (a name in a folder the user may not search as not accessible)
    // and the dialog stays.
    void accept() override;

private:
    void showFolder(const QString& windowsFolder);
    void fillLookIn();
    void fillList();
    void refuse(const QString& why);
    void openPicked(const QListWidgetItem* item);
    void answer(const TypedPath& got);

    FolderSelectTree* drives_;
    QComboBox* lookIn_;
    QToolButton* up_;
    QListWidget* files_;
    QLineEdit* name_;
    QComboBox* types_;
    QLabel* error_;
    EntriesOfOneSize* sizes_; // the list's delegate
    QIcon fileIcon_; // every file of the list shows this one
    QString folder_;
    QStringList typedMasks_; // a mask typed in the name box, until the type changes
    QString chosen_;
};

} // namespace qn3::windows
