#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QTreeView;

// The folder browser of FolderSelect, in the Windows view: the title above a
// tree of the program's drives and folders, and an edit box that shows the
// selected folder and takes a typed one.
namespace qn3::windows {

class FolderSelectTree;

class FolderSelectDialog final : public QDialog {
public:
    // Opens on `start` (a Windows path without trailing backslash, "E:" for
    // a drive): the tree shows it selected, or its nearest existing parent.
    FolderSelectDialog(QWidget* owner, const QString& title, const QString& start);

    // The folder accepted, as a Windows path.
    const QString& chosenFolder() const { return chosen_; }

    // OK: takes what the edit box says, or says in the dialog why it cannot.
    void accept() override;

private:
    void selectionChanged();

    FolderSelectTree* model_;
    QTreeView* tree_;
    QLineEdit* edit_;
    QLabel* error_;
    QString chosen_;
};

} // namespace qn3::windows
