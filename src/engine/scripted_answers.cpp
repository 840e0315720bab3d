#include "engine/scripted_answers.h"

#include "services/trace_log.h"
#include "windows/folder_select.h"

#include <QStringList>

#include <cstdlib>
#include <limits>

namespace qn3::engine {
namespace {

const char kVariable[] = "QN3_TEST_ANSWERS";

services::UserInteraction& nobody()
{
    return services::UserInteraction::standard();
}

} // namespace

bool ReponsesScriptees::demandees()
{
    return qEnvironmentVariableIsSet(kVariable);
}

ReponsesScriptees::ReponsesScriptees(services::UserInteraction& windows) : windows_(windows)
{
    for (const QString& entry : qEnvironmentVariable(kVariable).split(u',', Qt::SkipEmptyParts)) {
        const QString code = entry.trimmed();
        bool numeric = false;
        if (code.size() > 1 && code.startsWith(u'B', Qt::CaseInsensitive)) {
            const int base = code.mid(1).toInt(&numeric);
            if (numeric) {
                if (base >= 0 && base <= std::numeric_limits<int16_t>::max())
                    base_ = static_cast<int16_t>(base);
                continue;
            }
        }
        const int answer = code.toInt(&numeric);
        if (!numeric)
            folders_.push_back(code);
        else if (answer >= services::msgbox::AnswerOk && answer <= services::msgbox::AnswerNo)
            answers_.push_back(answer);
    }
}

int32_t ReponsesScriptees::askMessageBox(const services::MessageBoxRequest& request)
{
    int32_t answer = 0;
    if (answers_.empty()) {
        answer = nobody().askMessageBox(request);
    } else {
        answer = answers_.front();
        answers_.pop_front();
    }
    // Said in the trace so that a run can be read back without the screen.
    services::TraceLog(-1, -1, -1,
                       QStringLiteral("Réponse %1 à: ").arg(answer) + request.text.simplified(),
                       false, true);
    return answer;
}

std::optional<QString> ReponsesScriptees::askOpenFile(const services::OpenFileRequest& request)
{
    return nobody().askOpenFile(request);
}

QString ReponsesScriptees::selectFolder(const services::FolderRequest& request)
{
    QString chosen = QStringLiteral("*");
    if (!folders_.empty()) {
        // The dialog's own way: the folder comes back with its backslash and
        // is made when it does not exist.
        windows::FolderSelectSetNextAnswer(folders_.front());
        folders_.pop_front();
        chosen = windows::FolderSelect(nullptr, request.startFolder, request.title);
    }
    services::TraceLog(-1, -1, -1,
                       QStringLiteral("Dossier choisi: ") + chosen + QStringLiteral(" (proposé: ") + request.startFolder
                           + u')',
                       false, true);
    return chosen;
}

int16_t ReponsesScriptees::chooseBase(const services::BaseChoiceRequest& request)
{
    const int16_t choice = static_cast<int16_t>(base_ - 1);
    if (base_ == 0) {
        services::TraceLog(-1, -1, -1, QStringLiteral("Réponse B0 à: Choix de la base (Abandonner)"), false, true);
        return -1;
    }
    if (base_ < 0 || choice >= request.names.size())
        return nobody().chooseBase(request);
    // As in the window: the handler runs for the preselection, then for the choice.
    if (request.onSelection) {
        request.onSelection(request.preselected);
        if (choice != request.preselected)
            request.onSelection(choice);
    }
    services::TraceLog(-1, -1, -1,
                       QStringLiteral("Réponse B%1 à: Choix de la base (%2)").arg(base_).arg(request.names[choice]),
                       false, true);
    return choice;
}

void ReponsesScriptees::setWaitWindowVisible(bool visible)
{
    windows_.setWaitWindowVisible(visible);
}

void ReponsesScriptees::endProgram()
{
    windows_.endProgram();
}

} // namespace qn3::engine
