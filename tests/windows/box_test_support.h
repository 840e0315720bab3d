#pragma once

#include "services/window_members.h"
#include "windows/look.h"
#include "windows/skin_styles.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <gtest/gtest.h>

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

// The modal dialog shown, when it is a `Dialog`. Any other is closed, so that
// the test fails instead of waiting for ever.
template <class Dialog>
Dialog* modalDialog()
{
    QWidget* shown = QApplication::activeModalWidget();
    auto* dialog = dynamic_cast<Dialog*>(shown);
    if (dialog == nullptr && shown != nullptr) {
        ADD_FAILURE() << "another dialog: " << shown->metaObject()->className();
        shown->close();
    }
    return dialog;
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

// How much of `marked` stands out from `plain` (same size) by the 3 to 1 a
// focus mark needs, in perimeters: 1 is a one-pixel line all around, kSeen a
// dotted line around half, as Windows draws its focus.
inline constexpr double kSeen = 0.25;
inline double markShare(const QImage& plain, const QImage& marked)
{
    int standing = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            standing += windows::contrastRatio(QColor(plain.pixel(x, y)), QColor(marked.pixel(x, y))) >= 3;
    return static_cast<double>(standing) / (2 * (plain.width() + plain.height()));
}

// The program's look in `style` for the life of the object, as the main
// window installs it; afterwards the look is as before any style was chosen.
class Skinned {
public:
    explicit Skinned(int32_t style)
    {
        windows::InstallSkinEngine(services::Frm_Main().SkinFramework);
        windows::InitGeneralLook(style);
    }
    ~Skinned()
    {
        services::Frm_Main().SkinFramework.setDresser({});
        windows::StyleLook = windows::ModeBordure = 0;
        qApp->setStyleSheet(QString());
    }
    Skinned(const Skinned&) = delete;
    Skinned& operator=(const Skinned&) = delete;
};

} // namespace qn3::testing
