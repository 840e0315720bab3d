#include "services/user_interaction.h"

namespace qn3::services {

namespace {
class NobodyAnswers final : public UserInteraction {
public:
    std::optional<QString> askOpenFile(const OpenFileRequest&) override { return std::nullopt; }
};
} // namespace

UserInteraction& UserInteraction::standard()
{
    static NobodyAnswers nobody;
    return nobody;
}

} // namespace qn3::services
