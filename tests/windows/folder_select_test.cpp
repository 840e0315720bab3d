#include "windows/folder_select.h"

#include "services/shared_values.h"
#include "support/services_fixture.h"
#include "windows/box_test_support.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace qn3::windows {
namespace {

using FolderSelectTest = testing::ServicesTest;

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

TEST_F(FolderSelectTest, GivesTheChosenFolderWithABackslashMadeWhenMissing)
{
    QDir().mkpath(host("C:\\Radio\\Sons\\Pubs"));
    testing::whenWaiting([&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(QDir(dialog->directory().absolutePath()), QDir(host("C:\\Radio\\Sons")));
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Sélectionnez un dossier: "));
        testing::saveScreenshot(dialog, QStringLiteral("FolderSelect"));
        dialog->selectFile(host("C:\\Radio\\Sons\\Pubs"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(FolderSelect(nullptr, QStringLiteral("C:\\Radio\\Sons\\"), {}), "C:\\Radio\\Sons\\Pubs\\");
    // A folder named but not made yet is made with every missing level.
    FolderSelectSetNextAnswer(QStringLiteral("C:\\Radio\\Nouveau\\Jingles"));
    EXPECT_EQ(FolderSelect(nullptr, {}, {}), "C:\\Radio\\Nouveau\\Jingles\\");
    EXPECT_TRUE(QFileInfo(host("C:\\Radio\\Nouveau\\Jingles")).isDir());
}

} // namespace
} // namespace qn3::windows
