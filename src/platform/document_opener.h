#pragma once

#include "platform/installable.h"

#include <QString>

// The shell's "Open" of a document: the desktop's application for its type
// shows it. Tests install a double; nothing is started in a test.
namespace qn3::platform {

class DocumentOpener : public Installable<DocumentOpener> {
public:
    virtual ~DocumentOpener() = default;

    // Opens the document at `windowsPath` and returns without waiting.
    // Throws RuntimeError 53 when the file does not exist, 5 when nothing
    // could be started.
    virtual void open(const QString& windowsPath) = 0;

    static DocumentOpener& standard();
};

} // namespace qn3::platform
