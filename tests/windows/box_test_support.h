#pragma once

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <functional>

// Driving the program's boxes from a test: what the user does runs from the
// event loop once the box waits, and each box leaves a picture of itself in
// the build folder for a person to look at.
namespace qn3::testing {

// The shown top-level window named `name`, or nullptr.
template <class Window>
Window* shownWindow(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible())
            return qobject_cast<Window*>(window);
    return nullptr;
}

// Runs `user` as soon as the event loop turns (inside the box's wait).
inline void whenWaiting(std::function<void()> user)
{
    QTimer::singleShot(0, qApp, std::move(user));
}

inline void saveScreenshot(QWidget* window, const QString& name)
{
    QDir().mkpath(QStringLiteral("screenshots"));
    window->grab().save(QStringLiteral("screenshots/") + name + QStringLiteral(".png"));
}

// Closed boxes delete themselves later: let them go before the next test.
inline void dropClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace qn3::testing
