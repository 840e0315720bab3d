#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/file_open_dialog.h"
#include "windows/qt_user_interaction.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <functional>

namespace qn3::windows {
namespace {

// A log folder with files the filter keeps (whatever the case of their
// extension), one it drops, a hidden one and a sub-folder with its own log.
class FileOpenTest : public testing::ServicesTest {
protected:
    FileOpenTest()
    {
        for (const char* file : {"C:\\Logs\\20240305.Log", "C:\\Logs\\20240304.LOG", "C:\\Logs\\Notes.txt",
                 "C:\\Logs\\.cache.log", "C:\\Logs\\Archives\\20230101.log"})
            writeFile(QString::fromLatin1(file), "ligne\r\n");
    }

    // Asks as the log viewer does, the user's part running in the dialog.
    std::optional<QString> ask(std::function<void(FileOpenDialog&)> user,
        const QString& preset = QStringLiteral("C:\\Logs\\20240305.Log"),
        const QString& initial = QStringLiteral("C:\\Logs\\"))
    {
        testing::whenWaiting([user = std::move(user)] {
            QWidget* shown = QApplication::activeModalWidget();
            auto* dialog = dynamic_cast<FileOpenDialog*>(shown);
            if (dialog == nullptr) {
                ADD_FAILURE() << "another dialog than ours: " << (shown ? shown->metaObject()->className() : "none");
                if (shown != nullptr)
                    shown->close();
                return;
            }
            user(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                dialog->reject();
            }
        });
        return QtUserInteraction().askOpenFile({{}, initial, QStringLiteral("Logs|*.log"), preset});
    }

    template <class Widget> static Widget& child(const FileOpenDialog& dialog, const char* name)
    {
        auto* found = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    // What the user types in the name box, then Ouvrir.
    static void typeAndOpen(FileOpenDialog& dialog, const QString& typed)
    {
        auto& edit = child<QLineEdit>(dialog, "EditNomFichier");
        edit.setText(typed);
        emit edit.textEdited(typed);
        child<QPushButton>(dialog, "CmdOuvrir").click();
    }

    static QStringList listed(const FileOpenDialog& dialog)
    {
        QStringList names;
        const auto& list = child<QListWidget>(dialog, "ListeFichiers");
        for (int row = 0; row < list.count(); ++row)
            names << list.item(row)->text();
        return names;
    }

    static QString refusal(const FileOpenDialog& dialog)
    {
        const auto& label = child<QLabel>(dialog, "LabelErreur");
        return label.isVisible() ? label.text() : QString();
    }
};

// The dialog a French user of the Windows program knows, opened on the
// viewer's folder with today's name, every caption whole on the painted
// window; drives and folders in the Windows view, no host path anywhere;
// the list keeps the folders and the ".log" files whatever their case.
TEST_F(FileOpenTest, ShowsTheWindowsViewInFrenchOnTheProposedFolderAndName)
{
    const std::optional<QString> chosen = ask([](FileOpenDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ouvrir"));
        EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        for (const auto& [name, text] :
            {std::pair {"LabelRegarderDans", "Regarder dans :"}, {"LabelNomFichier", "Nom du fichier :"},
                {"LabelTypes", "Fichiers de type :"}, {"CmdOuvrir", "Ouvrir"}, {"CmdAnnuler", "Annuler"}}) {
            const auto& shown = child<QWidget>(dialog, name);
            const QString caption = shown.property("text").toString().remove(u'&');
            EXPECT_EQ(caption, QString::fromUtf8(text));
            EXPECT_TRUE(shown.isVisible()) << name;
            EXPECT_GE(shown.width(), QFontMetrics(shown.font()).horizontalAdvance(caption)) << name;
        }
        EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\Logs"));
        const auto& lookIn = child<QComboBox>(dialog, "ComboRegarderDans");
        QStringList places, paths;
        for (int row = 0; row < lookIn.count(); ++row) {
            places << lookIn.itemText(row);
            paths << lookIn.itemData(row).toString();
        }
        EXPECT_EQ(places, QStringList({"C:", "Logs", "Z:"}));
        EXPECT_EQ(paths, QStringList({"C:\\", "C:\\Logs", "Z:\\"}));
        EXPECT_EQ(lookIn.currentText(), QStringLiteral("Logs"));
        EXPECT_EQ(listed(dialog), QStringList({"Archives", "20240304.LOG", "20240305.Log"}));
        EXPECT_EQ(child<QLineEdit>(dialog, "EditNomFichier").text(), QStringLiteral("20240305.Log"));
        EXPECT_EQ(child<QComboBox>(dialog, "ComboTypes").currentText(), QStringLiteral("Logs"));
        for (const QString& text : places + paths + listed(dialog))
            EXPECT_FALSE(text.contains(u'/') || text.contains(u"dosdevices") || text.contains(u"drive_c"))
                << text.toStdString();
        EXPECT_EQ(refusal(dialog), QString());
        testing::saveScreenshot(&dialog, QStringLiteral("FileOpen"));
        child<QPushButton>(dialog, "CmdOuvrir").click();
    });
    EXPECT_EQ(chosen, QStringLiteral("C:\\Logs\\20240305.Log"));

    // A proposed folder that is not there yet opens its nearest parent, and
    // the name box keeps the whole proposal.
    ask(
        [](FileOpenDialog& dialog) {
            EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\"));
            EXPECT_EQ(
                child<QLineEdit>(dialog, "EditNomFichier").text(), QStringLiteral("C:\\AudioLog\\Pub\\20240305.Log"));
            child<QPushButton>(dialog, "CmdAnnuler").click();
        },
        QStringLiteral("C:\\AudioLog\\Pub\\20240305.Log"), QStringLiteral("C:\\AudioLog\\Pub\\"));
}

// A file picked in the list, or named by a typed Windows path, absolute or
// relative to the folder shown, is the answer; a typed folder or a folder
// opened in the list is shown instead; cancelling answers nothing.
TEST_F(FileOpenTest, TakesAPickedOrTypedFileOpensTypedFoldersAndCancelGivesNothing)
{
    const struct {
        const char* what;
        std::function<void(FileOpenDialog&)> user;
        std::optional<QString> chosen;
    } cases[] = {
        {"picked",
            [](FileOpenDialog& dialog) {
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                list.setCurrentItem(list.findItems(QStringLiteral("20240304.LOG"), Qt::MatchExactly).front());
                EXPECT_EQ(child<QLineEdit>(dialog, "EditNomFichier").text(), QStringLiteral("20240304.LOG"));
                child<QPushButton>(dialog, "CmdOuvrir").click();
            },
            QStringLiteral("C:\\Logs\\20240304.LOG")},
        {"double-clicked",
            [](FileOpenDialog& dialog) {
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                emit list.itemDoubleClicked(list.item(0));
                EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\Logs\\Archives"));
                emit list.itemDoubleClicked(list.item(0));
            },
            QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        {"absolute",
            [](FileOpenDialog& dialog) { typeAndOpen(dialog, QStringLiteral("c:/logs/archives/20230101.LOG")); },
            QStringLiteral("C:\\logs\\archives\\20230101.LOG")},
        {"relative",
            [](FileOpenDialog& dialog) { typeAndOpen(dialog, QStringLiteral("..\\Logs\\.\\Archives\\20230101.log")); },
            QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        {"folder",
            [](FileOpenDialog& dialog) {
                typeAndOpen(dialog, QStringLiteral("archives"));
                EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\Logs\\Archives"));
                EXPECT_EQ(child<QComboBox>(dialog, "ComboRegarderDans").currentText(), QStringLiteral("Archives"));
                EXPECT_EQ(listed(dialog), QStringList({"20230101.log"}));
                EXPECT_EQ(child<QLineEdit>(dialog, "EditNomFichier").text(), QString());
                typeAndOpen(dialog, QStringLiteral("20230101.log"));
            },
            QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        {"cancelled", [](FileOpenDialog& dialog) { child<QPushButton>(dialog, "CmdAnnuler").click(); }, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(c.user), c.chosen) << c.what;
}

// What names no file is refused in French and the dialog stays, the name
// selected to be typed again; a typed mask filters the list instead; the
// parent button climbs to the drive.
TEST_F(FileOpenTest, RefusesWhatIsNoFileAndStaysOpen)
{
    const std::optional<QString> chosen = ask([](FileOpenDialog& dialog) {
        const std::pair<QString, QString> refused[] = {{"20990101.log",
                                                           "« C:\\Logs\\20990101.log » : fichier introuvable.\n"
                                                           "Vérifiez que le nom du fichier est correct."},
            {"Q:\\Logs\\20240305.Log", "Le lecteur Q: n'existe pas."},
            {"C:\\Logs\\a|b.log", "« C:\\Logs\\a|b.log » n'est pas un nom de fichier valide."}};
        for (const auto& [typed, why] : refused) {
            typeAndOpen(dialog, typed);
            ASSERT_EQ(QApplication::activeModalWidget(), &dialog) << typed.toStdString();
            EXPECT_EQ(refusal(dialog), why);
            EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\Logs"));
        }
        testing::saveScreenshot(&dialog, QStringLiteral("FileOpen_refused"));
        typeAndOpen(dialog, QStringLiteral("*.TXT"));
        EXPECT_EQ(listed(dialog), QStringList({"Archives", "Notes.txt"}));
        EXPECT_EQ(refusal(dialog), QString());
        // Up one level, as far as the drive.
        auto& up = child<QToolButton>(dialog, "CmdDossierParent");
        up.click();
        EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\"));
        EXPECT_FALSE(up.isEnabled());
        child<QPushButton>(dialog, "CmdAnnuler").click();
    });
    EXPECT_EQ(chosen, std::nullopt);
}

} // namespace
} // namespace qn3::windows
