#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/file_open_dialog.h"
#include "windows/folder_select_tree.h"
#include "windows/qt_user_interaction.h"

#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <set>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qn3::windows {
namespace {

// A control missing from the dialog fails the test; a blank stand-in owned by
// the dialog takes its place, so the rest of the test never touches a null
// pointer (a fatal check cannot return from here, inside the dialog's loop).
template <class Widget> Widget& child(const FileOpenDialog& dialog, const char* name)
{
    auto* found = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (found == nullptr) {
        ADD_FAILURE() << "no control " << name;
        found = new Widget(const_cast<FileOpenDialog*>(&dialog));
    }
    return *found;
}

// What the user types in the name box, then Ouvrir.
void typeAndOpen(FileOpenDialog& dialog, const QString& typed)
{
    auto& edit = child<QLineEdit>(dialog, "EditNomFichier");
    edit.setText(typed);
    emit edit.textEdited(typed);
    child<QPushButton>(dialog, "CmdOuvrir").click();
}

// What the dialog shows: folder|"Regarder dans"|list|name box|refusal.
QString seen(const FileOpenDialog& dialog)
{
    QStringList listed;
    for (const QListWidgetItem* item : child<QListWidget>(dialog, "ListeFichiers").findItems("*", Qt::MatchWildcard))
        listed << item->text();
    const auto& refusal = child<QLabel>(dialog, "LabelErreur");
    return QStringList {dialog.shownFolder(), child<QComboBox>(dialog, "ComboRegarderDans").currentText(),
        listed.join(u','), child<QLineEdit>(dialog, "EditNomFichier").text(),
        refusal.isVisible() ? refusal.text() : QString()}
        .join(u'|');
}

// While it lives, the permission bits bind this thread even when root runs
// the tests: root's two capabilities that pass them are set aside (the
// permitted set keeps them, so they come back); nothing else changes.
class PermissionBitsBind {
public:
    PermissionBitsBind()
    {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct bound[2] = {saved_[0], saved_[1]};
        bound[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = ::syscall(SYS_capset, &header_, bound) == 0;
    }
    ~PermissionBitsBind()
    {
        if (active_)
            ::syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_ {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] {};
    bool active_ = false;
};

// A log folder with files the filter keeps (whatever the case of their
// extension), one it drops, a hidden one and a sub-folder with its own log.
// Beside it, C:\Noms holds names a Linux disk allows: wildcards, names that
// cannot be written as Windows names (not UTF-8, a tab, a backslash, a blank
// or a dot at the end) and "Prive", a folder the user may read but not search.
class FileOpenTest : public testing::ServicesTest {
protected:
    FileOpenTest()
    {
        for (const char* file : {"C:\\Logs\\20240305.Log", "C:\\Logs\\20240304.LOG", "C:\\Logs\\Notes.txt",
                 "C:\\Logs\\.cache.log", "C:\\Logs\\Archives\\20230101.log", "C:\\Noms\\Prive\\20240305.Log"})
            writeFile(QString::fromLatin1(file), "ligne\r\n");
        const QByteArray noms = QFile::encodeName(prefix.driveC()) + "/Noms/";
        for (const char* name : {"a*b.log", "q?.log", "\xff\xfe.log", "tab\tname.log", "back\\slash.log"})
            ::close(::open(noms + name, O_CREAT | O_WRONLY, 0644));
        for (const char* name : {"Fin.", "Fin ", "x\\y"})
            ::mkdir(noms + name, 0755);
        ::close(::open(noms + "Prive/a*z.log", O_CREAT | O_WRONLY, 0644));
        ::chmod(noms + "Prive", 0600);
    }
    // What the temporary folder's removal cannot do: search the folder, name
    // the file that is not UTF-8.
    ~FileOpenTest() override
    {
        const QByteArray noms = QFile::encodeName(prefix.driveC()) + "/Noms/";
        ::chmod(noms + "Prive", 0755);
        ::unlink(noms + "\xff\xfe.log");
    }

    // Asks as the log viewer does, the user's part running in the dialog.
    static std::optional<QString> ask(std::function<void(FileOpenDialog&)> user,
        const QString& preset = QStringLiteral("C:\\Logs\\20240305.Log"),
        const QString& initial = QStringLiteral("C:\\Logs\\"))
    {
        testing::whenWaiting([user = std::move(user)] {
            auto* dialog = testing::modalDialog<FileOpenDialog>();
            ASSERT_NE(dialog, nullptr);
            user(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                dialog->reject();
            }
        });
        return QtUserInteraction().askOpenFile({{}, initial, QStringLiteral("Logs|*.log"), preset});
    }
};

// The dialog a French user of the Windows program knows, opened on the
// viewer's folder with today's name, every caption whole on the painted
// window; drives and folders in the Windows view; the list keeps the folders
// and the ".log" files whatever their case. A proposed folder not there yet
// opens its nearest parent, the name box keeping the whole proposal.
TEST_F(FileOpenTest, ShowsTheWindowsViewInFrenchOnTheProposedFolderAndName)
{
    const std::optional<QString> chosen = ask([](FileOpenDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ouvrir"));
        for (const auto& [name, text] :
            {std::pair {"LabelRegarderDans", "Regarder dans :"}, {"LabelNomFichier", "Nom du fichier :"},
                {"LabelTypes", "Fichiers de type :"}, {"CmdOuvrir", "Ouvrir"}, {"CmdAnnuler", "Annuler"}}) {
            const auto& shown = child<QWidget>(dialog, name);
            const QString caption = shown.property("text").toString().remove(u'&');
            EXPECT_EQ(caption, QString::fromUtf8(text));
            EXPECT_TRUE(shown.isVisible()) << name;
            EXPECT_GE(shown.width(), QFontMetrics(shown.font()).horizontalAdvance(caption)) << name;
        }
        const auto& lookIn = child<QComboBox>(dialog, "ComboRegarderDans");
        QStringList places;
        for (int row = 0; row < lookIn.count(); ++row)
            places << lookIn.itemText(row) + u'=' + lookIn.itemData(row).toString();
        EXPECT_EQ(places, QStringList({"C:=C:\\", "Logs=C:\\Logs", "Z:=Z:\\"}));
        EXPECT_EQ(seen(dialog), QStringLiteral("C:\\Logs|Logs|Archives,20240304.LOG,20240305.Log|20240305.Log|"));
        // One icon a kind, shared by every entry (each drawing its own cost
        // 70 KB an entry); every name whole in its column.
        const auto& list = child<QListWidget>(dialog, "ListeFichiers");
        // Room for the icon and the text, each with its margins.
        const QStyle& style = *list.style();
        const int besideText = style.pixelMetric(QStyle::PM_ListViewIconSize, nullptr, &list)
            + 4 * (style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1);
        std::set<qint64> folderIcons, fileIcons;
        for (int row = 0; row < list.count(); ++row) {
            const QListWidgetItem* item = list.item(row);
            (item->text() == u"Archives" ? folderIcons : fileIcons).insert(item->icon().cacheKey());
            EXPECT_GE(list.visualItemRect(item).width(),
                QFontMetrics(list.font()).horizontalAdvance(item->text()) + besideText)
                << item->text().toStdString();
        }
        EXPECT_EQ(folderIcons.size(), 1u);
        EXPECT_EQ(fileIcons.size(), 1u);
        EXPECT_NE(folderIcons, fileIcons);
        EXPECT_EQ(folderIcons, std::set {lookIn.itemIcon(1).cacheKey()}) << "the tree's folders";
        EXPECT_EQ(lookIn.itemIcon(0).cacheKey(), lookIn.itemIcon(2).cacheKey()) << "the drives";
        EXPECT_EQ(child<QComboBox>(dialog, "ComboTypes").currentText(), QStringLiteral("Logs"));
        testing::saveScreenshot(&dialog, QStringLiteral("FileOpen"));
        child<QPushButton>(dialog, "CmdOuvrir").click();
    });
    EXPECT_EQ(chosen, QStringLiteral("C:\\Logs\\20240305.Log"));

    const QString missing = QStringLiteral("C:\\AudioLog\\Pub\\20240305.Log");
    ask(
        [&](FileOpenDialog& dialog) {
            EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\"));
            EXPECT_EQ(child<QLineEdit>(dialog, "EditNomFichier").text(), missing);
            child<QPushButton>(dialog, "CmdAnnuler").click();
        },
        missing, QStringLiteral("C:\\AudioLog\\Pub\\"));
}

// A file picked in the list, or named by a typed Windows path, absolute or
// relative to the folder shown, is the answer; a folder opened in the list or
// typed is shown instead, a typed mask filters the list; what names no file is
// refused in French and the dialog stays; the parent button climbs as far as
// the drive; cancelling answers nothing.
TEST_F(FileOpenTest, AnswersAPickedOrTypedFileAndRefusesWhatIsNoFile)
{
    const auto typing = [](const QStringList& typed) {
        return [typed](FileOpenDialog& dialog) {
            for (const QString& name : typed)
                typeAndOpen(dialog, name);
        };
    };
    const struct {
        const char* what;
        std::function<void(FileOpenDialog&)> user;
        std::optional<QString> chosen;
    } cases[] = {
        {"picked",
            [](FileOpenDialog& dialog) {
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                list.setCurrentItem(list.findItems(QStringLiteral("20240304.LOG"), Qt::MatchExactly).front());
                child<QPushButton>(dialog, "CmdOuvrir").click();
            },
            QStringLiteral("C:\\Logs\\20240304.LOG")},
        {"double-clicked",
            [](FileOpenDialog& dialog) {
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                emit list.itemDoubleClicked(list.item(0));
                emit list.itemDoubleClicked(list.item(0));
            },
            QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        {"absolute", typing({"c:/logs/archives/20230101.LOG"}), QStringLiteral("C:\\logs\\archives\\20230101.LOG")},
        {"relative", typing({"..\\Logs\\.\\Archives\\20230101.log"}),
            QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        {"folder, then file", typing({"archives", "20230101.log"}), QStringLiteral("C:\\Logs\\Archives\\20230101.log")},
        // A pick is never a mask. What cannot be written as a Windows name
        // is listed neither here nor in the folder dialog's tree.
        {"wildcards double-clicked",
            [](FileOpenDialog& dialog) {
                typeAndOpen(dialog, QStringLiteral("C:\\Noms"));
                EXPECT_EQ(seen(dialog), QStringLiteral("C:\\Noms|Noms|Prive,a*b.log,q?.log||"));
                FolderSelectTree tree;
                const QModelIndex noms = tree.reveal(QStringLiteral("C:\\Noms\\Prive")).parent();
                EXPECT_EQ(tree.rowCount(noms), 1);
                EXPECT_EQ(tree.index(0, 0, noms).data().toString(), QStringLiteral("Prive"));
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                emit list.itemDoubleClicked(list.findItems(QStringLiteral("a*b.log"), Qt::MatchExactly).front());
            },
            QStringLiteral("C:\\Noms\\a*b.log")},
        {"wildcards picked",
            [](FileOpenDialog& dialog) {
                typeAndOpen(dialog, QStringLiteral("C:\\Noms"));
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                list.setCurrentItem(list.findItems(QStringLiteral("q?.log"), Qt::MatchExactly).front());
                child<QPushButton>(dialog, "CmdOuvrir").click();
            },
            QStringLiteral("C:\\Noms\\q?.log")},
        // Typed or picked, a file the user may not reach is refused as such,
        // not as "introuvable": it is there.
        {"in a folder the user may not search",
            [](FileOpenDialog& dialog) {
                const PermissionBitsBind asAUser;
                const QString file = QStringLiteral("C:\\Noms\\Prive\\20240305.Log");
                const QString why = "« " + file + " » n'est pas accessible.\nAccès refusé.";
                typeAndOpen(dialog, file);
                EXPECT_EQ(seen(dialog), "C:\\Logs|Logs|Archives,20240304.LOG,20240305.Log|" + file + u'|' + why);
                typeAndOpen(dialog, QStringLiteral("C:\\Noms\\Prive"));
                auto& list = child<QListWidget>(dialog, "ListeFichiers");
                ASSERT_EQ(list.count(), 2);
                emit list.itemDoubleClicked(list.item(0));
                EXPECT_EQ(seen(dialog), "C:\\Noms\\Prive|Prive|20240305.Log,a*z.log|20240305.Log|" + why);
                // A name with '*' is out of reach there too, not a file to open.
                emit list.itemDoubleClicked(list.item(1));
                EXPECT_EQ(seen(dialog), QStringLiteral("C:\\Noms\\Prive|Prive|20240305.Log,a*z.log|a*z.log|"
                                                       "« C:\\Noms\\Prive\\a*z.log » n'est pas accessible.\n"
                                                       "Accès refusé."));
                child<QPushButton>(dialog, "CmdAnnuler").click();
            },
            std::nullopt},
        {"refused, then cancelled",
            [](FileOpenDialog& dialog) {
                const std::pair<QString, QString> refused[] = {{"20990101.log",
                                                                   "« C:\\Logs\\20990101.log » : fichier introuvable.\n"
                                                                   "Vérifiez que le nom du fichier est correct."},
                    {"Q:\\Logs\\20240305.Log", "Le lecteur Q: n'existe pas."},
                    {"C:\\Logs\\a|b.log", "« C:\\Logs\\a|b.log » n'est pas un nom de fichier valide."}};
                for (const auto& [typed, why] : refused) {
                    typeAndOpen(dialog, typed);
                    ASSERT_EQ(QApplication::activeModalWidget(), &dialog) << typed.toStdString();
                    EXPECT_EQ(seen(dialog), "C:\\Logs|Logs|Archives,20240304.LOG,20240305.Log|" + typed + u'|' + why);
                }
                testing::saveScreenshot(&dialog, QStringLiteral("FileOpen_refused"));
                typeAndOpen(dialog, QStringLiteral("archives"));
                EXPECT_EQ(seen(dialog), QStringLiteral("C:\\Logs\\Archives|Archives|20230101.log||"));
                auto& up = child<QToolButton>(dialog, "CmdDossierParent");
                up.click();
                typeAndOpen(dialog, QStringLiteral("*.TXT"));
                EXPECT_EQ(seen(dialog), QStringLiteral("C:\\Logs|Logs|Archives,Notes.txt|*.TXT|"));
                up.click();
                EXPECT_EQ(dialog.shownFolder(), QStringLiteral("C:\\"));
                EXPECT_FALSE(up.isEnabled());
                child<QPushButton>(dialog, "CmdAnnuler").click();
            },
            std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(c.user), c.chosen) << c.what;
}

} // namespace
} // namespace qn3::windows
