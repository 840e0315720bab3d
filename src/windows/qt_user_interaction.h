#pragma once

#include "platform/system_facts.h"
#include "services/user_interaction.h"

class QWidget;

namespace qn3::windows {

// The questions of the services asked with real windows, owned by `owner`.
class QtUserInteraction final : public services::UserInteraction {
public:
    explicit QtUserInteraction(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    std::optional<QString> askOpenFile(const services::OpenFileRequest& request) override;
    int32_t askMessageBox(const services::MessageBoxRequest& request) override;
    QString selectFolder(const services::FolderRequest& request) override;
    int16_t chooseBase(const services::BaseChoiceRequest& request) override;
    void setWaitWindowVisible(bool visible) override;
    void endProgram() override;

private:
    QWidget* owner() const;

    QWidget* owner_;
    // The wait window was shown when a question hid it: show it again after.
    bool waitWindowHidden_ = false;
};

// The modifier keys held now, as the window system tells them.
class QtKeyboardState final : public platform::KeyboardState {
public:
    Qt::KeyboardModifiers heldModifiers() override;
};

} // namespace qn3::windows
