#include "windows/file_open_dialog.h"

#include "platform/directory_listing.h"
#include "platform/runtime_error.h"
#include "platform/wildcard.h"
#include "services/shared_values.h"
#include "windows/box_support.h"
#include "windows/folder_select_tree.h"
#include "windows/folder_select_typed.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <algorithm>
#include <vector>

namespace qn3::windows {
namespace {

constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 12;
// The kind of an entry of the list rides on its item type, which costs no
// memory of its own.
constexpr int kFolderItem = QListWidgetItem::UserType;
constexpr int kFileItem = QListWidgetItem::UserType + 1;

using platform::files::EntryKind;

bool isFolder(const QListWidgetItem* item)
{
    return item->type() == kFolderItem;
}

// "Regarder dans :" lists the drives, with the folders on the way to the one
// shown indented below its drive, as Windows lists them.
class IndentedItems final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(kIndentPixels * index.data(kDepthRole).toInt(), 0, 0, 0);
    }
};

// "Logs|*.log|Tous|*.*" -> ("Logs", "*.log"), ("Tous", "*.*"); a pair may
// hold several masks, "*.log;*.txt". No filter shows every file.
std::vector<std::pair<QString, QStringList>> filterTypes(const QString& filter)
{
    std::vector<std::pair<QString, QStringList>> types;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        types.emplace_back(parts[i], parts[i + 1].split(u';', Qt::SkipEmptyParts));
    if (types.empty())
        types.emplace_back(QString(), QStringList {QStringLiteral("*.*")});
    return types;
}

bool isDriveRoot(const QString& folder)
{
    return folder.size() == 3 && folder.endsWith(QStringLiteral(":\\"));
}

QString below(const QString& folder, const QString& name)
{
    return (folder.endsWith(u'\\') ? folder : folder + u'\\') + name;
}

QString accessDenied(const QString& path)
{
    return quoted(path) + QStringLiteral(" n'est pas accessible.\nAccès refusé.");
}

bool isAccessError(const platform::RuntimeError& failure)
{
    return failure.number() == platform::errors::PathFileAccessError
        || failure.number() == platform::errors::PermissionDenied;
}

// A name stat() cannot reach is no proof that it is missing: in a folder the
// user may read but not search, the folder's listing still holds it, and a
// folder on the way that cannot be read at all refuses the listing.
TypedPath withAccessChecked(TypedPath got)
{
    if (!got.error.isEmpty() || got.kind != EntryKind::Missing)
        return got;
    try {
        if (!platform::listDirectory(got.path).isEmpty())
            got.error = accessDenied(got.path);
    } catch (const platform::RuntimeError& failure) {
        if (isAccessError(failure))
            got.error = accessDenied(got.path);
    } catch (const std::exception&) {
    }
    return got;
}

// What answers the name of an entry picked in `folder`'s list. The name is
// taken as it stands, never as a mask: a file of this disk may hold '*' or
// '?', which a Windows path names only while it can be reached spelt so. One
// that cannot be reached is out of reach while the folder still lists it
// (a folder the user may not search), and missing once it is gone.
TypedPath picked(const QString& folder, const QString& name)
{
    const QString path = below(folder, name);
    try {
        return withAccessChecked({path, platform::files::entry(path).kind, {}});
    } catch (const platform::RuntimeError&) {
    }
    try {
        for (const platform::DirectoryEntry& entry : platform::listDirectory(below(folder, {})))
            if (entry.name == name)
                return {path, EntryKind::Missing, accessDenied(path)};
    } catch (const platform::RuntimeError& failure) {
        if (isAccessError(failure))
            return {path, EntryKind::Missing, accessDenied(path)};
    }
    return {path, EntryKind::Missing, {}};
}

} // namespace

// Every entry of the list as wide as the widest, as Windows draws its list's
// columns; the view then lays thousands of entries out by one size instead
// of measuring each one again at every resize. The widest is found once per
// filling and font, by the width of the names alone.
class EntriesOfOneSize final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The list holds other names: the widest is looked for again.
    void forget() { widestRow_ = -1; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QAbstractItemModel* model = index.model();
        if (widestRow_ < 0 || widestRow_ >= model->rowCount() || font_ != option.font) {
            font_ = option.font;
            widestRow_ = index.row();
            int widest = -1;
            for (int row = 0; row < model->rowCount(); ++row) {
                const int width = option.fontMetrics.horizontalAdvance(model->index(row, 0).data().toString());
                if (width > widest) {
                    widest = width;
                    widestRow_ = row;
                }
            }
        }
        return QStyledItemDelegate::sizeHint(option, model->index(widestRow_, 0));
    }

private:
    mutable int widestRow_ = -1;
    mutable QFont font_;
};

FileOpenDialog::FileOpenDialog(QWidget* owner, const services::OpenFileRequest& request)
    : QDialog(owner)
    , drives_(new FolderSelectTree(this))
    , lookIn_(new QComboBox(this))
    , up_(new QToolButton(this))
    , files_(new QListWidget(this))
    , name_(new QLineEdit(this))
    , types_(new QComboBox(this))
    , error_(new QLabel(this))
    , sizes_(new EntriesOfOneSize(files_))
    , fileIcon_(style()->standardIcon(QStyle::SP_FileIcon))
{
    setObjectName(QStringLiteral("FileOpen"));
    setWindowTitle(request.title.isEmpty() ? QStringLiteral("Ouvrir") : request.title);
    // A title and a close button, as the Windows dialog has: no minimise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Minimised, it would take the main window along.
    keepBoxShown(this);
    setSizeGripEnabled(true);

    auto label = [this](const char* name, const QString& text, QWidget* buddy) {
        auto* shown = new QLabel(text, this);
        shown->setObjectName(QString::fromLatin1(name));
        shown->setBuddy(buddy);
        return shown;
    };
    lookIn_->setObjectName(QStringLiteral("ComboRegarderDans"));
    lookIn_->setItemDelegate(new IndentedItems(lookIn_));
    lookIn_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    up_->setObjectName(QStringLiteral("CmdDossierParent"));
    up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up_->setToolTip(QStringLiteral("Dossier parent"));
    up_->setAutoRaise(true);

    files_->setObjectName(QStringLiteral("ListeFichiers"));
    files_->setViewMode(QListView::ListMode);
    files_->setFlow(QListView::TopToBottom);
    files_->setWrapping(true);
    files_->setResizeMode(QListView::Adjust);
    files_->setSelectionMode(QAbstractItemView::SingleSelection);
    files_->setItemDelegate(sizes_);
    files_->setUniformItemSizes(true);
    name_->setObjectName(QStringLiteral("EditNomFichier"));
    types_->setObjectName(QStringLiteral("ComboTypes"));
    for (const auto& [description, masks] : filterTypes(request.filter))
        types_->addItem(description, masks);
    dressRefusal(error_);
    const auto [ouvrir, annuler] = addAcceptAndCancel(this, QStringLiteral("&Ouvrir"), QStringLiteral("CmdOuvrir"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label("LabelRegarderDans", QStringLiteral("Regarder &dans :"), lookIn_), 0, 0);
    grid->addWidget(lookIn_, 0, 1);
    grid->addWidget(up_, 0, 2, Qt::AlignLeft);
    grid->addWidget(files_, 1, 0, 1, 3);
    grid->addWidget(error_, 2, 0, 1, 3);
    grid->addWidget(label("LabelNomFichier", QStringLiteral("&Nom du fichier :"), name_), 3, 0);
    grid->addWidget(name_, 3, 1);
    grid->addWidget(ouvrir, 3, 2);
    grid->addWidget(label("LabelTypes", QStringLiteral("&Fichiers de type :"), types_), 4, 0);
    grid->addWidget(types_, 4, 1);
    grid->addWidget(annuler, 4, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    resize(540, 360);

    connect(up_, &QToolButton::clicked, this,
        [this] { showFolder(resolveTypedPath(QStringLiteral(".."), folder_, {}).path); });
    // Queued: the list is filled again, which the combo box must not see while it signals.
    connect(
        lookIn_, &QComboBox::activated, this, [this](int row) { showFolder(lookIn_->itemData(row).toString()); },
        Qt::QueuedConnection);
    connect(types_, &QComboBox::currentIndexChanged, this, [this] {
        typedMasks_.clear();
        fillList();
    });
    connect(files_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = files_->selectedItems();
        if (!selected.isEmpty() && !isFolder(selected.front()))
            name_->setText(selected.front()->text());
    });
    connect(files_, &QListWidget::itemDoubleClicked, this, &FileOpenDialog::openPicked);
    connect(name_, &QLineEdit::textEdited, files_, &QListWidget::clearSelection);

    // The preset name's folder comes first, as on Windows; the program's
    // folder when neither says one.
    const QString preset = request.fileName.trimmed();
    const qsizetype cut = preset.lastIndexOf(u'\\');
    const QString base = request.initialFolder.trimmed().isEmpty() ? services::RepApplication : request.initialFolder;
    const TypedPath start = resolveTypedPath(preset.left(cut + 1), base, QStringLiteral("dossier"));
    showFolder(start.error.isEmpty() ? start.path : base);
    // The name alone where the dialog shows its folder, else the whole path,
    // so Ouvrir still names the file the caller proposed.
    if (!preset.isEmpty())
        name_->setText(folder_.compare(start.path, Qt::CaseInsensitive) == 0 ? preset.mid(cut + 1) : preset);
    name_->setFocus();
    name_->selectAll();
}

void FileOpenDialog::showFolder(const QString& windowsFolder)
{
    QModelIndex shown = drives_->reveal(windowsFolder);
    if (!shown.isValid())
        shown = drives_->index(0, 0);
    folder_ = drives_->windowsPath(shown);
    up_->setEnabled(!isDriveRoot(folder_));
    error_->hide();
    fillLookIn();
    fillList();
}

void FileOpenDialog::fillLookIn()
{
    lookIn_->clear();
    const QModelIndex shown = drives_->reveal(folder_);
    std::vector<QModelIndex> way; // from the drive down to the folder shown
    for (QModelIndex at = shown; at.isValid(); at = at.parent())
        way.insert(way.begin(), at);
    for (int row = 0; row < drives_->rowCount(); ++row) {
        const QModelIndex drive = drives_->index(row, 0);
        const std::vector<QModelIndex> levels = !way.empty() && way.front() == drive ? way : std::vector {drive};
        for (size_t depth = 0; depth < levels.size(); ++depth) {
            const QModelIndex& level = levels[depth];
            lookIn_->addItem(
                level.data(Qt::DecorationRole).value<QIcon>(), level.data().toString(), drives_->windowsPath(level));
            lookIn_->setItemData(lookIn_->count() - 1, static_cast<int>(depth), kDepthRole);
            if (level == shown)
                lookIn_->setCurrentIndex(lookIn_->count() - 1);
        }
    }
}

void FileOpenDialog::fillList()
{
    files_->clear();
    sizes_->forget();
    std::vector<platform::wildcard::Pattern> patterns;
    for (const QString& mask : typedMasks_.isEmpty() ? types_->currentData().toStringList() : typedMasks_)
        patterns.emplace_back(mask.trimmed());
    QList<platform::DirectoryEntry> entries;
    try {
        entries = platform::listDirectory(below(folder_, {}));
    } catch (const std::exception&) {
        refuse(quoted(folder_) + QStringLiteral(" n'est pas accessible."));
        return;
    }
    // Folders first, then the files the type keeps, each kind with its one
    // icon: a folder of ten years of daily logs stays light.
    for (const bool folders : {true, false})
        for (const platform::DirectoryEntry& entry : entries) {
            if (entry.isFolder != folders || !isListedName(entry.name))
                continue;
            if (!folders && std::none_of(patterns.begin(), patterns.end(), [&](const auto& pattern) {
                    return pattern.matches(entry.name);
                }))
                continue;
            new QListWidgetItem(
                folders ? drives_->folderIcon() : fileIcon_, entry.name, files_, folders ? kFolderItem : kFileItem);
        }
}

void FileOpenDialog::refuse(const QString& why)
{
    error_->setText(why);
    error_->show();
    name_->setFocus();
    name_->selectAll();
}

void FileOpenDialog::openPicked(const QListWidgetItem* item)
{
    if (isFolder(item))
        return showFolder(below(folder_, item->text()));
    name_->setText(item->text());
    answer(picked(folder_, item->text()));
}

void FileOpenDialog::accept()
{
    // An entry selected in the list is a pick: a folder opens whatever the
    // name box says, a file while the box still shows its name (typing
    // clears the selection).
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    if (!selected.isEmpty() && (isFolder(selected.front()) || selected.front()->text() == name_->text()))
        return openPicked(selected.front());
    const QString typed = name_->text().trimmed().replace(u'/', u'\\');
    if (typed.isEmpty())
        return; // nothing named: Windows does nothing either
    if (platform::wildcard::hasWildcards(typed)) {
        // A mask filters the list, in the folder it names if any.
        const qsizetype cut = typed.lastIndexOf(u'\\');
        const TypedPath where = resolveTypedPath(typed.left(cut + 1), folder_, QStringLiteral("dossier"));
        if (!where.error.isEmpty() || where.kind != EntryKind::Folder
            || platform::wildcard::hasWildcards(typed.left(cut + 1))) {
            refuse(quoted(typed) + QStringLiteral(" n'est pas un nom de fichier valide."));
            return;
        }
        typedMasks_ = typed.mid(cut + 1).split(u';', Qt::SkipEmptyParts);
        showFolder(where.path);
        return;
    }
    answer(withAccessChecked(resolveTypedPath(typed, folder_, QStringLiteral("fichier"))));
}

void FileOpenDialog::answer(const TypedPath& got)
{
    if (!got.error.isEmpty())
        return refuse(got.error);
    switch (got.kind) {
    case EntryKind::Folder:
        name_->clear();
        return showFolder(got.path);
    case EntryKind::Missing:
        return refuse(
            quoted(got.path) + QStringLiteral(" : fichier introuvable.\nVérifiez que le nom du fichier est correct."));
    case EntryKind::Other:
        return refuse(quoted(got.path) + QStringLiteral(" n'est pas un fichier."));
    case EntryKind::Regular:
        break;
    }
    chosen_ = got.path;
    QDialog::accept();
}

} // namespace qn3::windows
