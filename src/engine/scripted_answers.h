#pragma once

#include "services/user_interaction.h"

#include <deque>

namespace qn3::engine {

// The questions of a run without anybody at the screen: message boxes take
// the answers of the environment variable QN3_TEST_ANSWERS in order (codes
// 1 OK ... 7 No, separated by commas), then the answer that changes nothing;
// an entry "B" and a number N chooses the N-th entry of the base selection
// list (the base preselected without one); the file and folder questions
// get the answer that changes nothing at once. The wait
// window and the end of the program go to `windows`. The end-to-end tests
// use it to answer the program's questions.
class ReponsesScriptees final : public services::UserInteraction {
public:
    // Nothing when QN3_TEST_ANSWERS is not set.
    static bool demandees();

    explicit ReponsesScriptees(services::UserInteraction& windows);

    int32_t askMessageBox(const services::MessageBoxRequest& request) override;
    std::optional<QString> askOpenFile(const services::OpenFileRequest& request) override;
    QString selectFolder(const services::FolderRequest& request) override;
    int16_t chooseBase(const services::BaseChoiceRequest& request) override;
    void setWaitWindowVisible(bool visible) override;
    void endProgram() override;

private:
    services::UserInteraction& windows_;
    std::deque<int32_t> answers_;
    int16_t base_ = 0; // the list entry chosen, 1-based; 0: the preselected one
};

} // namespace qn3::engine
