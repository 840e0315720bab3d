#include "windows/folder_select_dialog.h"

#include "windows/box_support.h"
#include "windows/folder_select_tree.h"
#include "windows/folder_select_typed.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace qn3::windows {

FolderSelectDialog::FolderSelectDialog(QWidget* owner, const QString& title, const QString& start)
    : QDialog(owner), model_(new FolderSelectTree(this)), tree_(new QTreeView(this)), edit_(new QLineEdit(this)),
      error_(new QLabel(this))
{
    setObjectName(QStringLiteral("FolderSelect"));
    setWindowTitle(QStringLiteral("Rechercher un dossier"));
    // A title and a close button, as the shell's browser has.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Minimised, it would take the main window along.
    keepBoxShown(this);

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
    dressRefusal(error_);
    const auto [ok, annuler] = addAcceptAndCancel(this, QStringLiteral("OK"), QStringLiteral("CmdOK"));

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
