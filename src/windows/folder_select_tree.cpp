#include "windows/folder_select_tree.h"

#include "platform/directory_listing.h"
#include "platform/windows_path.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include <algorithm>

namespace qn3::windows {

struct FolderSelectTree::Node {
    QString name;
    QString path; // Windows form, "C:\" for a drive
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    bool listed = false;

    Node* add(const QString& childName, const QString& childPath)
    {
        auto child = std::make_unique<Node>();
        child->name = childName;
        child->path = childPath;
        child->parent = this;
        children.push_back(std::move(child));
        return children.back().get();
    }

    int row() const
    {
        if (parent == nullptr)
            return 0;
        for (size_t i = 0; i < parent->children.size(); ++i)
            if (parent->children[i].get() == this)
                return static_cast<int>(i);
        return 0;
    }
};

namespace {

// The sub-folders of a Windows folder that the dialogs list, in the
// listing's order; a folder that cannot be read simply shows none.
QStringList subFolders(const QString& windowsFolder)
{
    QStringList names;
    try {
        const QString folder = windowsFolder.endsWith(u'\\') ? windowsFolder : windowsFolder + u'\\';
        for (const platform::DirectoryEntry& entry : platform::listDirectory(folder))
            if (entry.isFolder && isListedName(entry.name))
                names << entry.name;
    } catch (const std::exception&) {
    }
    return names;
}

// The drives the program has: the letters the path mapping knows.
QStringList drives()
{
    QStringList letters;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const QString root = QString(QChar(letter)) + QStringLiteral(":\\");
        try {
            platform::paths::toHost(root);
            letters << root;
        } catch (const std::exception&) {
        }
    }
    return letters;
}

} // namespace

bool isListedName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'.') || name.endsWith(u'.') || name.endsWith(u' '))
        return false;
    return std::none_of(name.begin(), name.end(),
        [](QChar c) { return c.unicode() < 0x20 || c == u'\\' || c == QChar::ReplacementCharacter; });
}

FolderSelectTree::FolderSelectTree(QObject* parent)
    : QAbstractItemModel(parent)
    , root_(std::make_unique<Node>())
    , driveIcon_(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon))
    , folderIcon_(QApplication::style()->standardIcon(QStyle::SP_DirIcon))
{
    for (const QString& drive : drives())
        root_->add(drive.left(2), drive);
    root_->listed = true;
}

FolderSelectTree::~FolderSelectTree() = default;

FolderSelectTree::Node* FolderSelectTree::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root_.get();
}

QModelIndex FolderSelectTree::indexOf(Node* node) const
{
    return node == root_.get() ? QModelIndex() : createIndex(node->row(), 0, node);
}

QString FolderSelectTree::windowsPath(const QModelIndex& index) const
{
    return index.isValid() ? nodeOf(index)->path : QString();
}

QModelIndex FolderSelectTree::reveal(const QString& windowsPath)
{
    const QStringList parts = QString(windowsPath).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts);
    Node* node = root_.get();
    for (const QString& part : parts) {
        fetchMore(indexOf(node));
        Node* next = nullptr;
        for (const auto& child : node->children)
            if (child->name.compare(part, Qt::CaseInsensitive) == 0)
                next = child.get();
        if (next == nullptr)
            break;
        node = next;
    }
    return indexOf(node);
}

QModelIndex FolderSelectTree::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderSelectTree::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parent);
}

int FolderSelectTree::rowCount(const QModelIndex& parent) const
{
    return static_cast<int>(nodeOf(parent)->children.size());
}

int FolderSelectTree::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderSelectTree::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole: return node->name;
    case Qt::ToolTipRole: return node->path;
    case Qt::DecorationRole: return node->parent == root_.get() ? driveIcon_ : folderIcon_;
    default: return {};
    }
}

// A folder not listed yet may have sub-folders: the view offers to open it.
bool FolderSelectTree::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    return !node->listed || !node->children.empty();
}

bool FolderSelectTree::canFetchMore(const QModelIndex& parent) const
{
    return !nodeOf(parent)->listed;
}

void FolderSelectTree::fetchMore(const QModelIndex& parent)
{
    Node* node = nodeOf(parent);
    if (node->listed)
        return;
    node->listed = true;
    const QStringList names = subFolders(node->path);
    if (names.isEmpty()) {
        // The view drops the arrow it showed for a folder with nothing inside.
        emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(names.size()) - 1);
    const QString base = node->path.endsWith(u'\\') ? node->path : node->path + u'\\';
    for (const QString& name : names)
        node->add(name, base + name);
    endInsertRows();
}

} // namespace qn3::windows
