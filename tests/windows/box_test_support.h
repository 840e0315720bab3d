#pragma once

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

// Driving the boxes from a test: the user's part runs once the box waits.
namespace qn3::testing {

// The shown window of that class, if any.
template <class Window>
Window* shownWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* shown = qobject_cast<Window*>(window); shown != nullptr && shown->isVisible())
            return shown;
    return nullptr;
}

// Runs `user` as soon as the event loop turns (inside the box's wait).
inline void whenWaiting(std::function<void()> user)
{
    QTimer::singleShot(0, qApp, std::move(user));
}

// A key pressed (no modifier) with `target` focused.
inline void press(QWidget* target, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A picture of the window in the build folder, for a person to look at.
inline void saveScreenshot(QWidget* window, const QString& name)
{
    QDir().mkpath(QStringLiteral("screenshots"));
    window->grab().save(QStringLiteral("screenshots/") + name + QStringLiteral(".png"));
}

} // namespace qn3::testing
