#pragma once

#include "services/user_interaction.h"

#include <deque>

namespace qn3::engine {

// The questions of a run without anybody at the screen, answered from the
// environment variable QN3_TEST_ANSWERS, a list separated by commas taken in
// order: a code 1 to 7 (1 OK ... 7 No) answers the next message box; "B" and
// a number N chooses the N-th entry of the base selection list, "B0" gives
// up the choice (without either the base in use is kept); any other entry is
// a Windows folder ("C:\QN_Donnees") chosen in the next folder dialog, made
// when missing as the dialog's choice is. Once its answers are used up, a
// message box gets the answer that changes nothing and a folder dialog is
// cancelled; the open-file dialog is cancelled. Each answer is traced. The
// wait window and the end of the program go to `windows`. The end-to-end
// tests use it.
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
    int16_t base_ = -1; // the list entry chosen, 1-based; 0: given up; -1: the preselected one
    std::deque<QString> folders_;
};

} // namespace qn3::engine
