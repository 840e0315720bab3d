#include "windows/box_support.h"

#include "platform/system_facts.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "windows/twips.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

namespace qn3::windows {
namespace {

// The virtual-key code the main window's handler expects for a Qt key:
// letters and digits share their codes; the usual editing and function keys
// are translated; anything else is 0.
int16_t virtualKey(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<int16_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    default: return 0;
    }
}

// Keeps a box off the window manager's minimise and maximise buttons, and
// brings it back, with the windows it took along, if minimised all the same.
class BoxKeeper final : public QObject {
public:
    explicit BoxKeeper(QWidget* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != box_)
            return false;
        if (event->type() == QEvent::Show)
            markAsToolbar();
        else if (event->type() == QEvent::WindowStateChange && box_->isMinimized())
            QTimer::singleShot(0, this, [this] { restore(); });
        return false;
    }

private:
    // Openbox draws a minimise and a maximise button on every dialog, whatever
    // the flags ask, and none on a toolbar; the dialog's type stays listed
    // after the toolbar's for a window manager that knows no toolbar. Qt hands
    // the type only to a native window, which exists once the box is being
    // shown, and forgets it when it makes that window again: hence at every
    // showing.
    void markAsToolbar()
    {
        box_->setAttribute(Qt::WA_X11NetWmWindowTypeToolBar, false);
        box_->setAttribute(Qt::WA_X11NetWmWindowTypeToolBar, true);
    }

    void restore()
    {
        QWidgetList taken{box_};
        if (QWidget* owner = box_->parentWidget())
            taken << owner->window();
        if (QWidget* main = mainWindow())
            taken << main;
        for (QWidget* window : taken)
            if (window->isMinimized())
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        if (box_->isVisible()) {
            box_->raise();
            box_->activateWindow();
        }
    }

    QWidget* box_;
};

} // namespace

std::pair<QPushButton*, QPushButton*> addAcceptAndCancel(QDialog* dialog, const QString& caption,
                                                         const QString& name)
{
    // 75 x 23 pixels at 96 dpi.
    constexpr int kWidthTwips = 1125;
    constexpr int kHeightTwips = 345;
    auto* accept = new QPushButton(caption, dialog);
    accept->setObjectName(name);
    accept->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), dialog);
    cancel->setObjectName(QStringLiteral("CmdAnnuler"));
    for (QPushButton* button : {accept, cancel})
        button->setMinimumSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));
    QObject::connect(accept, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {accept, cancel};
}

void dressRefusal(QLabel* label)
{
    label->setObjectName(QStringLiteral("LabelErreur"));
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("QLabel { color: #c00000; }"));
    label->hide();
}

void placeTwips(QWidget* control, int left, int top, int width, int height)
{
    control->setProperty("Left", left);
    control->setProperty("Top", top);
    control->setProperty("Width", width);
    control->setProperty("Height", height);
    control->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

void moveWindowTwips(QWidget* window, int left, int top)
{
    window->setProperty("Left", left);
    window->setProperty("Top", top);
    window->move(twipsToPixels(left), twipsToPixels(top));
}

void resizeWindowTwips(QWidget* window, int width, int height)
{
    window->setProperty("Width", width);
    window->setProperty("Height", height);
    window->setFixedSize(twipsToPixels(width - kFrameWidthTwips), twipsToPixels(height - kFrameHeightTwips));
}

int twips(const QWidget* widget, const char* property)
{
    return widget->property(property).toInt();
}

int textWidthTwips(const QFont& font, const QString& text, bool mnemonics)
{
    QString shown = text;
    if (mnemonics) {
        shown.clear();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'&' && i + 1 < text.size())
                ++i;
            shown += text[i];
        }
    }
    return pixelsToTwips(QFontMetrics(font).horizontalAdvance(shown));
}

ScreenTwips screenTwips(const QWidget* widget)
{
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QSize size = screen->size();
    return {pixelsToTwips(size.width()), pixelsToTwips(size.height())};
}

QWidget* mainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) != nullptr)
            return window;
    return nullptr;
}

Qt::WindowFlags fixedBoxFlags(bool closeBox)
{
    // Without the customize hint, Qt gives a dialog the buttons it thinks
    // every window should have.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    flags.setFlag(Qt::WindowCloseButtonHint, closeBox);
    return flags;
}

void setCloseBox(QWidget* box, bool closeBox)
{
    box->setWindowFlag(Qt::WindowCloseButtonHint, closeBox);
}

void keepBoxShown(QWidget* box)
{
    box->installEventFilter(new BoxKeeper(box));
}

int captionWidthPixels(const QString& caption)
{
    // Window managers draw titles bold more often than not: the wider measure.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The icon on the left, up to three buttons on the right and the margins
    // around them, each about one title-bar height.
    const int button = metrics.height() + 6;
    return metrics.horizontalAdvance(caption) + 6 * button;
}

TopmostBox::TopmostBox(QWidget* owner)
    : QDialog(owner, fixedBoxFlags(true) | Qt::WindowStaysOnTopHint)
{
    setModal(false);
    setMouseTracking(true);
    keepBoxShown(this);
}

void TopmostBox::keyPressEvent(QKeyEvent* event)
{
    bool touchesUtilisees = false;
    bool sendUdp = false;
    services::Frm_Main().GestionClavier(virtualKey(event->key()),
                                        static_cast<int16_t>(platform::modifierMask(event->modifiers())),
                                        touchesUtilisees, sendUdp);
    // No button is the cancel button.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TopmostBox::keyReleaseEvent(QKeyEvent* event)
{
    services::TouchesEnfoncees(static_cast<int16_t>(platform::modifierMask(event->modifiers())));
    QDialog::keyReleaseEvent(event);
}

void TopmostBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!isActiveWindow())
        activateWindow();
    QDialog::mouseMoveEvent(event);
}

int waitUntilFinished(QDialog* box, int ifGone, const std::function<void()>& start)
{
    int result = ifGone;
    QEventLoop loop;
    QObject::connect(box, &QDialog::finished, &loop, [&](int finished) {
        result = finished;
        loop.quit();
    });
    QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (start)
        QTimer::singleShot(0, &loop, start);
    loop.exec();
    return result;
}

void setElement(QWidget* control, const QString& name, int index)
{
    control->setObjectName(name);
    control->setProperty("Index", index);
}

} // namespace qn3::windows
