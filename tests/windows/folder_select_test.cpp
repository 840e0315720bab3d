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
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace qn3::windows {
namespace {

using FolderSelectTest = testing::ServicesTest;

FolderSelectDialog* openDialog() { return dynamic_cast<FolderSelectDialog*>(QApplication::activeModalWidget()); }

// What the user types in the open dialog's edit box, then the button pressed.
void typeAndPress(const QString& typed, const char* button = "CmdOK")
{
    ASSERT_NE(openDialog(), nullptr) << typed.toStdString();
    openDialog()->findChild<QLineEdit*>("EditDossier")->setText(typed);
    openDialog()->findChild<QPushButton*>(button)->click();
}

// The names the tree shows below `parent`, with those of its opened levels when `deep`.
QStringList shownNames(const QTreeView& tree, const QModelIndex& parent = {}, bool deep = true)
{
    QStringList names;
    for (int row = 0; row < tree.model()->rowCount(parent); ++row) {
        const QModelIndex index = tree.model()->index(row, 0, parent);
        names << index.data().toString();
        if (deep && tree.isExpanded(index))
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
// paths in French, never the host's folders. A folder picked in the tree, a
// typed Windows path or a new name below the selected folder is given with its
// backslash and made; what cannot be a folder is said in French and the
// dialog stays open.
TEST_F(FolderSelectTest, ShowsWindowsFoldersAndTakesAPickedOrTypedOne)
{
    QDir().mkpath(host("C:\\Radio\\Sons\\Pubs"));
    const QString radio = prefix.path() + QStringLiteral("/radio");
    QDir().mkpath(radio + QStringLiteral("/Emissions"));
    platform::paths::toHost(u"C:\\"); // the mapping makes c: and z: first
    ASSERT_TRUE(QFile::link(radio, prefix.path() + QStringLiteral("/dosdevices/d:")));

    testing::whenWaiting([&] {
        FolderSelectDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        auto* tree = dialog->findChild<QTreeView*>("ArbreDossiers");
        auto* edit = dialog->findChild<QLineEdit*>("EditDossier");
        ASSERT_TRUE(tree && edit);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Rechercher un dossier"));
        for (const auto& [name, text] : {std::pair{"LabelTitre", "Sélectionnez un dossier: "}, {"CmdOK", "OK"},
                                         {"CmdAnnuler", "Annuler"}})
            EXPECT_EQ(dialog->findChild<QWidget*>(name)->property("text").toString(), QString::fromUtf8(text));
        EXPECT_EQ(shownNames(*tree, {}, false), QStringList({"C:", "D:", "Z:"}));
        // Opened on the proposal, shown selected and in view, its path in the edit box.
        EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("Sons"));
        EXPECT_EQ(edit->text(), QStringLiteral("C:\\Radio\\Sons"));
        EXPECT_TRUE(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        for (const QString& name : shownNames(*tree))
            EXPECT_FALSE(name.contains(u'/') || name.contains(u"dosdevices") || name.contains(u"drive_c"))
                << name.toStdString();
        testing::saveScreenshot(dialog, QStringLiteral("FolderSelect"));

        // The linked drive lists its own folders.
        tree->expand(tree->model()->index(1, 0));
        EXPECT_EQ(shownNames(*tree, tree->model()->index(1, 0)), QStringList({"Emissions"}));
        const QModelIndex sons = tree->currentIndex();
        tree->expand(sons);
        tree->setCurrentIndex(tree->model()->index(0, 0, sons));
        EXPECT_EQ(edit->text(), QStringLiteral("C:\\Radio\\Sons\\Pubs"));
        dialog->findChild<QPushButton*>("CmdOK")->click();
    });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\Sons\\"), {}), "C:\\Radio\\Sons\\Pubs\\");

    const std::pair<QString, QString> taken[] = {{"C:\\QN_Donnees", "C:\\QN_Donnees\\"},
                                                 {"Nouveau\\Jingles", "C:\\Radio\\Nouveau\\Jingles\\"}};
    for (const auto& [typed, folder] : taken) {
        testing::whenWaiting([typed = typed] { typeAndPress(typed); });
        EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\"), {}), folder);
        EXPECT_TRUE(QFileInfo(host(folder)).isDir());
    }
    testing::whenWaiting([&] {
        const std::pair<QString, QString> refused[] = {
            {"Q:\\Sons", "Le lecteur Q: n'existe pas."},
            {"C:\\Pubs|Jingles", "« C:\\Pubs|Jingles » n'est pas un nom de dossier valide."}};
        for (const auto& [typed, error] : refused) {
            typeAndPress(typed);
            ASSERT_NE(openDialog(), nullptr) << typed.toStdString();
            const QWidget* label = openDialog()->findChild<QWidget*>("LabelErreur");
            EXPECT_EQ(label->isVisible() ? label->property("text").toString() : QString(), error);
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
    writeFile(QStringLiteral("C:\\Radio\\Liste.txt"), {});
    const struct { QString typed, selected, folder, error; } cases[] = {
        {"", "C:\\Radio", "C:\\Radio", {}}, {"  Nouveau ", "C:\\", "C:\\Nouveau", {}},
        {"..\\Autre", "C:\\Radio\\Sons", "C:\\Radio\\Autre", {}}, {"..\\..\\..", "C:\\Radio", "C:\\", {}},
        {"\\Jingles", "C:\\Radio\\Sons", "C:\\Jingles", {}}, {"C:", "C:\\Radio", "C:\\", {}},
        {"c:/QN_Donnees/./Pubs/", "C:\\Radio", "C:\\QN_Donnees\\Pubs", {}},
        {"\\\\PC\\Data\\Sons", "C:\\Radio", "\\\\PC\\Data\\Sons", {}},
        {"Liste.txt", "C:\\Radio", {}, "« C:\\Radio\\Liste.txt » est un fichier, pas un dossier."}};
    for (const auto& c : cases) {
        const TypedFolder got = resolveTypedFolder(c.typed, c.selected);
        EXPECT_EQ(got.folder, c.folder) << c.typed.toStdString();
        EXPECT_EQ(got.error, c.error) << c.typed.toStdString();
    }
    EXPECT_FALSE(resolveTypedFolder("", "").error.isEmpty());
    EXPECT_FALSE(resolveTypedFolder("Nouveau", "").error.isEmpty());
}

} // namespace
} // namespace qn3::windows
