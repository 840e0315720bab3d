#include "windows/folder_select.h"

#include "platform/windows_path.h"
#include "services/folders.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/trap.h"

#include <QDir>
#include <QFileDialog>
#include <QUrl>

namespace qn3::windows {
namespace {

std::optional<std::optional<QString>> nextAnswer;

// The host folder to show first; a folder this machine cannot map (a drive
// with no link) leaves the choice to the dialog rather than failing.
QString hostStart(const QString& windowsFolder)
{
    try {
        return platform::paths::toHost(windowsFolder);
    } catch (const std::exception&) {
        return {};
    }
}

// The machine's drives as the program sees them (C:, Z: and those an
// administrator linked), so the user starts from them, not from host folders.
QList<QUrl> driveUrls()
{
    QList<QUrl> urls;
    const QDir devices(platform::paths::prefix() + QStringLiteral("/dosdevices"));
    for (const QString& drive : devices.entryList({QStringLiteral("?:")}, QDir::Dirs, QDir::Name))
        urls << QUrl::fromLocalFile(devices.filePath(drive));
    return urls;
}

// The chosen folder as a Windows path, or nothing when the user cancelled.
std::optional<QString> askFolder(QWidget* owner, const QString& title, const QString& start)
{
    if (nextAnswer) {
        std::optional<QString> chosen = *nextAnswer;
        nextAnswer.reset();
        return chosen;
    }
    // Qt's own dialog rather than the desktop's: it always has the edit box
    // for a typed name and the button that makes a new folder, and it lists
    // the program's drives.
    QFileDialog dialog(owner, title, hostStart(start));
    dialog.setObjectName(QStringLiteral("FolderSelect"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setSidebarUrls(driveUrls());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (chosen.isEmpty())
        return std::nullopt;
    return platform::paths::toWindows(chosen);
}

} // namespace

QString FolderSelectStart(const QString& Dossier)
{
    return Dossier.endsWith(u'\\') ? Dossier.chopped(1) : Dossier;
}

void FolderSelectSetNextAnswer(std::optional<QString> chosen)
{
    nextAnswer = std::move(chosen);
}

QString FolderSelect(QWidget* Fenetre, const QString& DossierInitial, const QString& TitreDialogue)
{
    QString result = QStringLiteral("*");
    services::Trap trap(u"Lib_Systeme:FolderSelect");
    trap([&] {
        services::EclateRepFicExt(DossierInitial);
        DossierDepart = services::FichierEclate.Repertoire;
        if (DossierDepart.trimmed().isEmpty())
            DossierDepart = services::RepApplication;
    });
    const QString title = TitreDialogue.isEmpty() ? QStringLiteral("Sélectionnez un dossier: ") : TitreDialogue;
    std::optional<QString> chosen;
    trap([&] { chosen = askFolder(Fenetre, title, FolderSelectStart(DossierDepart)); });
    trap([&] {
        if (chosen && !chosen->trimmed().isEmpty())
            result = services::CheckRep(*chosen);
    });
    trap([&] {
        if (result.trimmed() != u"*" && !services::FolderFound(result))
            services::VerificationEtCreationRepertoire(result, true);
    });
    return result;
}

} // namespace qn3::windows
