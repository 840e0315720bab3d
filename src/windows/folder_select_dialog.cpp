#include "windows/folder_select_dialog.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"
#include "windows/folder_select_tree.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace qn3::windows {
namespace {

bool isDriveLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// "C:\Radio\.\Sons\..\Pubs" -> "C:\Radio\Pubs"; ".." stops at the drive or
// share root, as Windows does.
QString normalise(const QString& absolute)
{
    QString root;
    QStringList rest;
    if (absolute.startsWith(QStringLiteral("\\\\"))) {
        const QStringList parts = absolute.mid(2).split(u'\\', Qt::SkipEmptyParts);
        if (parts.size() < 2)
            return absolute; // an incomplete share: the mapping refuses it
        root = QStringLiteral("\\\\") + parts[0] + u'\\' + parts[1];
        rest = parts.mid(2);
    } else {
        root = absolute.left(2).toUpper();
        rest = absolute.mid(2).split(u'\\', Qt::SkipEmptyParts);
    }
    QStringList kept;
    for (const QString& part : rest) {
        if (part == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
        } else if (part != u".") {
            kept << part;
        }
    }
    if (kept.isEmpty())
        return root.startsWith(u'\\') ? root : root + u'\\';
    return root + u'\\' + kept.join(u'\\');
}

QString quoted(const QString& text)
{
    return QStringLiteral("« ") + text + QStringLiteral(" »");
}

} // namespace

TypedFolder resolveTypedFolder(const QString& typed, const QString& selected)
{
    const QString text = typed.trimmed().replace(u'/', u'\\');
    const QString base = selected.endsWith(u'\\') ? selected.chopped(1) : selected;
    QString absolute;
    if (text.isEmpty())
        absolute = selected;
    else if (text.startsWith(QStringLiteral("\\\\")) || (text.size() >= 2 && isDriveLetter(text[0]) && text[1] == u':'))
        absolute = text;
    else if (text.startsWith(u'\\'))
        absolute = base.left(2) + text;
    else
        absolute = base + u'\\' + text;
    if (absolute.isEmpty())
        return {{}, QStringLiteral("Sélectionnez un dossier ou tapez son chemin.")};
    if (absolute.startsWith(u'\\') && !absolute.startsWith(QStringLiteral("\\\\")))
        return {{}, QStringLiteral("Sélectionnez d'abord un lecteur ou tapez un chemin complet.")};

    const QString folder = normalise(absolute);
    try {
        if (const QFileInfo host(platform::paths::toHost(folder)); host.exists() && !host.isDir())
            return {{}, quoted(folder) + QStringLiteral(" est un fichier, pas un dossier.")};
    } catch (const platform::RuntimeError& failure) {
        if (failure.number() == platform::errors::DeviceUnavailable)
            return {{}, QStringLiteral("Le lecteur ") + folder.left(2) + QStringLiteral(" n'existe pas.")};
        return {{}, quoted(text) + QStringLiteral(" n'est pas un nom de dossier valide.")};
    }
    return {folder, {}};
}

FolderSelectDialog::FolderSelectDialog(QWidget* owner, const QString& title, const QString& start)
    : QDialog(owner), model_(new FolderSelectTree(this)), tree_(new QTreeView(this)), edit_(new QLineEdit(this)),
      error_(new QLabel(this))
{
    setObjectName(QStringLiteral("FolderSelect"));
    setWindowTitle(QStringLiteral("Rechercher un dossier"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* titre = new QLabel(title, this);
    titre->setObjectName(QStringLiteral("LabelTitre"));
    titre->setWordWrap(true);

    tree_->setObjectName(QStringLiteral("ArbreDossiers"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* labelDossier = new QLabel(QStringLiteral("&Dossier :"), this);
    labelDossier->setBuddy(edit_);
    edit_->setObjectName(QStringLiteral("EditDossier"));
    error_->setObjectName(QStringLiteral("LabelErreur"));
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("QLabel { color: #c00000; }"));
    error_->hide();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("CmdOK"));
    ok->setDefault(true);
    auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("CmdAnnuler"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titre);
    layout->addWidget(tree_, 1);
    auto* editRow = new QHBoxLayout;
    editRow->addWidget(labelDossier);
    editRow->addWidget(edit_, 1);
    layout->addLayout(editRow);
    layout->addWidget(error_);
    // Windows' order: OK, then Annuler, at the right.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(annuler);
    layout->addLayout(buttons);
    resize(380, 440);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderSelectDialog::selectionChanged);
    const QModelIndex shown = model_->reveal(start);
    if (shown.isValid()) {
        tree_->setCurrentIndex(shown);
        tree_->scrollTo(shown, QAbstractItemView::PositionAtCenter);
    }
    edit_->setFocus();
}

void FolderSelectDialog::selectionChanged()
{
    edit_->setText(model_->windowsPath(tree_->currentIndex()));
    error_->hide();
}

void FolderSelectDialog::accept()
{
    const TypedFolder typed = resolveTypedFolder(edit_->text(), model_->windowsPath(tree_->currentIndex()));
    if (!typed.error.isEmpty()) {
        error_->setText(typed.error);
        error_->show();
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    chosen_ = typed.folder;
    QDialog::accept();
}

} // namespace qn3::windows
