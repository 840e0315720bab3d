#pragma once

#include "platform/installable.h"

#include <QString>

#include <optional>

// Everything the services must ask the user goes through this one interface.
// The engine installs the real windows at start-up; tests install a double
// that answers at once. Without either, every question is cancelled, so a
// service running headless never blocks.
namespace qn3::services {

struct OpenFileRequest {
    QString title;
    QString initialFolder; // Windows path
    QString filter;        // "Logs|*.log" form
    QString fileName;      // preset Windows path
};

class UserInteraction : public platform::Installable<UserInteraction> {
public:
    virtual ~UserInteraction() = default;

    // The chosen file as a Windows path, or nothing when the user cancelled.
    virtual std::optional<QString> askOpenFile(const OpenFileRequest& request) = 0;

    static UserInteraction& standard();
};

} // namespace qn3::services
