#include "windows/folder_select.h"

#include "platform/windows_path.h"
#include "services/shared_values.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/folder_select_dialog.h"
#include "windows/folder_select_typed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace qn3::windows {
namespace {

using FolderSelectTest = testing::ServicesTest;

FolderSelectDialog* openDialog()
{
    return dynamic_cast<FolderSelectDialog*>(QApplication::activeModalWidget());
}

// Every name the tree shows, opened levels included.
QStringList shownNames(const QTreeView& tree, const QModelIndex& parent = {})
{
    QStringList names;
    for (int row = 0; row < tree.model()->rowCount(parent); ++row) {
        const QModelIndex index = tree.model()->index(row, 0, parent);
        names << index.data().toString();
        if (tree.isExpanded(index))
            names << shownNames(tree, index);
    }
    return names;
}

// The dialog opens on the folder part of the proposal (the program's folder
// when there is none), a drive root as letter and colon; a cancel gives "*"
// and keeps the proposal.
TEST_F(FolderSelectTest, OpensOnTheProposedFolder)
{
    const struct { QString proposed, depart, shown; } cases[] = {
        {"D:\\Radio\\Sons\\", "D:\\Radio\\Sons\\", "D:\\Radio\\Sons"}, {"D:\\Radio\\Sons", "D:\\Radio\\", "D:\\Radio"},
        {" ", services::RepApplication, "C:\\Program Files\\QN3"}, {"E:\\", "E:\\", "E:"}};
    for (const auto& c : cases) {
        FolderSelectSetNextAnswer(std::nullopt);
        EXPECT_EQ(FolderSelect(nullptr, c.proposed, {}), "*");
        EXPECT_EQ(DossierDepart, c.depart);
        EXPECT_EQ(FolderSelectStart(DossierDepart), c.shown);
    }
}

// The user sees the program's drives (C:, Z: and a linked D:) and Windows
// paths in French, never the host's folders; picking a folder in the tree
// gives it with its backslash.
TEST_F(FolderSelectTest, ShowsTheProgramsDrivesAndFoldersAsWindowsShowsThem)
{
    QDir().mkpath(host("C:\\Radio\\Sons\\Pubs"));
    const QString radio = prefix.path() + QStringLiteral("/radio");
    QDir().mkpath(radio + QStringLiteral("/Emissions"));
    platform::paths::toHost(u"C:\\"); // the mapping makes c: and z: first
    ASSERT_TRUE(QFile::link(radio, prefix.path() + QStringLiteral("/dosdevices/d:")));

    testing::whenWaiting([&] {
        FolderSelectDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("ArbreDossiers"));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("EditDossier"));
        ASSERT_TRUE(tree && edit);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Rechercher un dossier"));
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LabelTitre"))->text(),
                  QStringLiteral("Sélectionnez un dossier: "));
        EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("CmdOK"))->text(), QStringLiteral("OK"));
        EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("CmdAnnuler"))->text(), QStringLiteral("Annuler"));

        QStringList drives;
        for (int row = 0; row < tree->model()->rowCount(); ++row)
            drives << tree->model()->index(row, 0).data().toString();
        EXPECT_EQ(drives, QStringList({"C:", "D:", "Z:"}));
        // Opened on the proposal, shown selected and in view, its path in the edit box.
        EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("Sons"));
        EXPECT_EQ(edit->text(), QStringLiteral("C:\\Radio\\Sons"));
        const QRect row = tree->visualRect(tree->currentIndex());
        EXPECT_TRUE(tree->viewport()->rect().contains(row)) << row.y();
        for (const QString& name : shownNames(*tree))
            EXPECT_FALSE(name.contains(u'/') || name.contains(u"dosdevices") || name.contains(u"drive_c"))
                << name.toStdString();
        EXPECT_TRUE(shownNames(*tree).contains(QStringLiteral("Radio")));
        testing::saveScreenshot(dialog, QStringLiteral("FolderSelect"));

        // The linked drive lists its own folders.
        const QModelIndex d = tree->model()->index(1, 0);
        tree->expand(d);
        ASSERT_EQ(tree->model()->rowCount(d), 1);
        EXPECT_EQ(tree->model()->index(0, 0, d).data().toString(), QStringLiteral("Emissions"));

        const QModelIndex sons = tree->currentIndex();
        tree->expand(sons);
        ASSERT_EQ(tree->model()->rowCount(sons), 1);
        tree->setCurrentIndex(tree->model()->index(0, 0, sons));
        EXPECT_EQ(edit->text(), QStringLiteral("C:\\Radio\\Sons\\Pubs"));
        dialog->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
    });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\Sons\\"), {}), "C:\\Radio\\Sons\\Pubs\\");
}

// A typed Windows path or a new name below the selected folder is taken and
// made; what cannot be a folder is said in French and the dialog stays open.
TEST_F(FolderSelectTest, TakesATypedWindowsPathOrANewNameAndMakesIt)
{
    QDir().mkpath(host("C:\\Radio"));
    auto typeAndPress = [](const QString& typed, const char* button = "CmdOK") {
        FolderSelectDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("EditDossier"))->setText(typed);
        dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };

    testing::whenWaiting([&] { typeAndPress(QStringLiteral("C:\\QN_Donnees")); });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\"), {}), "C:\\QN_Donnees\\");
    EXPECT_TRUE(QFileInfo(host("C:\\QN_Donnees")).isDir());

    testing::whenWaiting([&] { typeAndPress(QStringLiteral("Nouveau\\Jingles")); });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\"), {}), "C:\\Radio\\Nouveau\\Jingles\\");
    EXPECT_TRUE(QFileInfo(host("C:\\Radio\\Nouveau\\Jingles")).isDir());

    testing::whenWaiting([&] {
        const struct { QString typed, error; } refused[] = {
            {"Q:\\Sons", "Le lecteur Q: n'existe pas."},
            {"C:\\Pubs|Jingles", "« C:\\Pubs|Jingles » n'est pas un nom de dossier valide."}};
        for (const auto& r : refused) {
            typeAndPress(r.typed);
            FolderSelectDialog* dialog = openDialog();
            ASSERT_NE(dialog, nullptr) << r.typed.toStdString();
            auto* error = dialog->findChild<QLabel*>(QStringLiteral("LabelErreur"));
            EXPECT_TRUE(error->isVisible());
            EXPECT_EQ(error->text(), r.error);
        }
        testing::saveScreenshot(openDialog(), QStringLiteral("FolderSelect_refused"));
        typeAndPress({}, "CmdAnnuler");
    });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\"), {}), "*");
    EXPECT_FALSE(QFileInfo::exists(prefix.driveC() + QStringLiteral("/Pubs|Jingles")));

    // A folder named but not made yet is made with every missing level.
    FolderSelectSetNextAnswer(QStringLiteral("C:\\Radio\\Nouveau\\Habillage"));
    EXPECT_EQ(FolderSelect(nullptr, {}, {}), "C:\\Radio\\Nouveau\\Habillage\\");
    EXPECT_TRUE(QFileInfo(host("C:\\Radio\\Nouveau\\Habillage")).isDir());
}

TEST_F(FolderSelectTest, ResolvesWhatIsTypedAgainstTheSelectedFolder)
{
    QDir().mkpath(host("C:\\Radio\\Sons"));
    QFile file(host("C:\\Radio\\Liste.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const struct { QString typed, selected, folder; } cases[] = {
        {"", "C:\\Radio", "C:\\Radio"},
        {"  Nouveau ", "C:\\", "C:\\Nouveau"},
        {"..\\Autre", "C:\\Radio\\Sons", "C:\\Radio\\Autre"},
        {"..\\..\\..", "C:\\Radio", "C:\\"},
        {"\\Jingles", "C:\\Radio\\Sons", "C:\\Jingles"},
        {"c:/QN_Donnees/./Pubs/", "C:\\Radio", "C:\\QN_Donnees\\Pubs"},
        {"C:", "C:\\Radio", "C:\\"},
        {"\\\\PC\\Data\\Sons", "C:\\Radio", "\\\\PC\\Data\\Sons"}};
    for (const auto& c : cases) {
        const TypedFolder got = resolveTypedFolder(c.typed, c.selected);
        EXPECT_EQ(got.folder, c.folder) << c.typed.toStdString();
        EXPECT_TRUE(got.error.isEmpty()) << got.error.toStdString();
    }
    EXPECT_EQ(resolveTypedFolder("Liste.txt", "C:\\Radio").error,
              QStringLiteral("« C:\\Radio\\Liste.txt » est un fichier, pas un dossier."));
    EXPECT_FALSE(resolveTypedFolder("", "").error.isEmpty());
    EXPECT_FALSE(resolveTypedFolder("Nouveau", "").error.isEmpty());
}

} // namespace
} // namespace qn3::windows
