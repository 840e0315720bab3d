#include "services/user_interaction.h"

#include <cstdlib>

namespace qn3::services {

namespace {
class NobodyAnswers final : public UserInteraction {
public:
    std::optional<QString> askOpenFile(const OpenFileRequest&) override { return std::nullopt; }

    int32_t askMessageBox(const MessageBoxRequest& request) override
    {
        switch (request.style & msgbox::ButtonsMask) {
        case 0: return msgbox::AnswerOk;
        case 2: return msgbox::AnswerIgnore;
        case 4: return msgbox::AnswerNo;
        default: return msgbox::AnswerCancel;
        }
    }

    QString selectFolder(const FolderRequest&) override { return QStringLiteral("*"); }
    // Nobody to ask: the base in use stays chosen.
    int16_t chooseBase(const BaseChoiceRequest& request) override
    {
        if (request.onSelection)
            request.onSelection(request.preselected);
        return request.preselected;
    }
    void setWaitWindowVisible(bool) override {}
    void endProgram() override { std::_Exit(0); }
};
} // namespace

UserInteraction& UserInteraction::standard()
{
    static NobodyAnswers nobody;
    return nobody;
}

} // namespace qn3::services
