#pragma once

#include "platform/installable.h"

#include <QString>

// The terminal the program was started from: what a person there must read
// (a window nobody can see waits for an answer) goes to standard error.
// Tests install a double, so nothing of theirs reaches the terminal.
namespace qn3::platform {

class Terminal : public Installable<Terminal> {
public:
    virtual ~Terminal() = default;

    // Writes `text` (whole lines, each ending in a line feed) at once, in
    // the encoding of the terminal.
    virtual void write(const QString& text) = 0;

    static Terminal& standard();
};

} // namespace qn3::platform
