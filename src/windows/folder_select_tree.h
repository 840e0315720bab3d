#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

// The tree of the folder selection dialog: the program's drives (C:, Z: and
// those an administrator linked) and their folders, named and addressed as
// Windows shows them. A folder is listed when the view first opens it.
namespace qn3::windows {

// Whether the dialogs list an entry of this name read from the disk. Hidden
// names (a leading dot) stay out of the way, as Windows keeps its hidden
// entries; so does a name that cannot be written back as the Windows name of
// that very entry: bytes that are not UTF-8 (read as U+FFFD, the text names
// no entry on disk), a control character, a backslash (a Windows path reads
// it as a separator), or a blank or a dot at its end (Windows drops them, so
// the path would name another entry). The characters Windows keeps for masks
// and for its syntax (* ? < > | " :) can be shown: such a name is listed, and
// a pick takes it as it stands.
bool isListedName(const QString& name);

class FolderSelectTree final : public QAbstractItemModel {
public:
    explicit FolderSelectTree(QObject* parent = nullptr);
    ~FolderSelectTree() override;

    // The Windows path of a drive or folder: "C:\" for a drive, "C:\Radio"
    // for a folder (no trailing backslash).
    QString windowsPath(const QModelIndex& index) const;

    // The deepest drive or folder of the tree on the way to `windowsPath`
    // (listing the folders on the way), or an invalid index when its drive is
    // not one of the program's. "D:\Radio\Nouveau" gives D:\Radio when
    // Nouveau does not exist yet.
    QModelIndex reveal(const QString& windowsPath);

    // The one icon every folder of the tree shows, for the dialogs' other
    // lists of folders: thousands of entries share it rather than each
    // drawing its own.
    const QIcon& folderIcon() const { return folderIcon_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Node;
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(Node* node) const;

    std::unique_ptr<Node> root_;
    QIcon driveIcon_;
    QIcon folderIcon_;
};

} // namespace qn3::windows
