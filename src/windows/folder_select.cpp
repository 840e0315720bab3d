#include "windows/folder_select.h"

#include "services/folders.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/trap.h"
#include "windows/folder_select_dialog.h"

namespace qn3::windows {
namespace {

std::optional<std::optional<QString>> nextAnswer;

// The chosen folder as a Windows path, or nothing when the user cancelled.
std::optional<QString> askFolder(QWidget* owner, const QString& title, const QString& start)
{
    if (nextAnswer) {
        std::optional<QString> chosen = *nextAnswer;
        nextAnswer.reset();
        return chosen;
    }
    FolderSelectDialog dialog(owner, title, start);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenFolder();
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
