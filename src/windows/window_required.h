#pragma once

#include "platform/runtime_error.h"

#include <QWidget>

namespace qn3::windows {

// A procedure handed no window fails as the program's rules know it (91),
// inside its trap, instead of touching a null pointer.
inline void requireWindow(const QWidget* window)
{
    if (window == nullptr)
        throw platform::RuntimeError(platform::errors::ObjectNotSet,
                                     QStringLiteral("Object variable or With block variable not set"));
}

} // namespace qn3::windows
