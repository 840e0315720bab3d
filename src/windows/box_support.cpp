#include "windows/box_support.h"

#include "platform/system_facts.h"
#include "platform/terminal.h"
#include "services/os_facts.h"
#include "services/window_members.h"
#include "windows/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

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

// `text` as a button or a label with a shortcut shows it: a single "&"
// takes no room, "&&" is one "&".
QString withoutMnemonics(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

// No screen shows the windows of Qt's offscreen and minimal platforms.
bool headless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == u"offscreen" || platform == u"minimal";
}

// Keeps a box off the window manager's minimise and maximise buttons, brings
// it back, with the windows it took along, if minimised all the same, has it
// sized again once the window manager has framed it, and says on the
// terminal what it shows when no screen does.
class BoxKeeper final : public QObject {
public:
    explicit BoxKeeper(QWidget* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != box_)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            markAsToolbar();
            // Once: a box the window manager gives back after minimising
            // it is shown again.
            if (!told_ && headless()) {
                told_ = true;
                platform::Terminal::current().write(describeBox(box_));
            }
            break;
        // The window manager moves a box into its frame once it has made it.
        case QEvent::Move:
        case QEvent::Resize:
            fitCaption();
            break;
        case QEvent::WindowStateChange:
            if (box_->isMinimized())
                QTimer::singleShot(0, this, [this] { restore(); });
            break;
        default: break;
        }
        return false;
    }

private:
    // A box was sized for the frame of the window it belongs to; its own may
    // need more room for the caption. A box of fixed size sizes itself
    // again; any other is kept at least that wide.
    void fitCaption()
    {
        if (!box_->isVisible())
            return;
        const int needed = captionClientWidth(box_);
        if (needed <= box_->width())
            return;
        if (box_->minimumWidth() == box_->maximumWidth())
            QCoreApplication::postEvent(box_, new QEvent(QEvent::LayoutRequest));
        else
            box_->setMinimumWidth(needed);
    }

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
    bool told_ = false;
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
    return pixelsToTwips(QFontMetrics(font).horizontalAdvance(mnemonics ? withoutMnemonics(text) : text));
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

QMargins windowFrame(const QWidget* window)
{
    const auto frameOf = [](const QWidget* widget) {
        const QWindow* native = widget != nullptr ? widget->windowHandle() : nullptr;
        return native != nullptr ? native->frameMargins() : QMargins();
    };
    const QWidget* owner = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    for (const QWidget* framed : {window, owner, const_cast<const QWidget*>(mainWindow())}) {
        const QMargins frame = frameOf(framed);
        if (frame.top() > frame.left())
            return frame;
    }
    return frameOf(window);
}

int captionWidthPixels(const QString& caption, const QMargins& frame)
{
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const int generalPixels = QFontInfo(general).pixelSize();
    int bar = frame.top() - frame.left();
    if (bar < generalPixels)
        bar = static_cast<int>(std::lround(1.6 * QFontMetricsF(general).height()));
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    // Title fonts are seldom much larger than the desktop's own.
    font.setPixelSize(std::clamp(static_cast<int>(std::lround(0.6 * bar)), 6, generalPixels * 3 / 2));
    // A tenth more: the window manager's renderer spaces letters its own way.
    const int title = static_cast<int>(std::ceil(1.1 * QFontMetricsF(font).horizontalAdvance(caption)));
    return title + 4 * bar + frame.left() + frame.right();
}

int captionClientWidth(const QWidget* box)
{
    const QMargins frame = windowFrame(box);
    return captionWidthPixels(box->windowTitle(), frame) - frame.left() - frame.right();
}

QString describeBox(const QWidget* box)
{
    struct Shown {
        QPoint at;
        QString kind;
        QString text;
    };
    QList<Shown> shown;
    QList<const QPushButton*> buttons;
    for (const QWidget* child : box->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(box))
            continue;
        // By the middle of each line: a label beside its field reads first.
        const QPoint at = child->mapTo(box, QPoint(0, child->height() / 2));
        if (const auto* button = qobject_cast<const QPushButton*>(child)) {
            if (!button->text().isEmpty())
                buttons << button;
        } else if (const auto* label = qobject_cast<const QLabel*>(child)) {
            if (!label->text().isEmpty())
                shown.append({at, QStringLiteral("text"),
                              label->buddy() != nullptr ? withoutMnemonics(label->text()) : label->text()});
        } else if (const auto* field = qobject_cast<const QLineEdit*>(child)) {
            // A list's own field is shown with the list; a password never.
            if (qobject_cast<const QComboBox*>(field->parentWidget()) == nullptr && !field->text().isEmpty()
                && field->echoMode() == QLineEdit::Normal)
                shown.append({at, QStringLiteral("field"), field->text()});
        } else if (const auto* list = qobject_cast<const QComboBox*>(child)) {
            QStringList entries;
            for (int i = 0; i < list->count(); ++i)
                entries << list->itemText(i);
            QString text = entries.join(QStringLiteral(", "));
            if (list->currentIndex() >= 0)
                text += QStringLiteral(" (chosen: ") + list->currentText() + u')';
            shown.append({at, QStringLiteral("list"), text});
        }
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Shown& a, const Shown& b) {
        return a.at.y() != b.at.y() ? a.at.y() < b.at.y() : a.at.x() < b.at.x();
    });
    // Left to right, then top to bottom where they stand one above the other.
    std::stable_sort(buttons.begin(), buttons.end(), [box](const QPushButton* a, const QPushButton* b) {
        const QPoint atA = a->mapTo(box, QPoint()), atB = b->mapTo(box, QPoint());
        return atA.x() != atB.x() ? atA.x() < atB.x() : atA.y() < atB.y();
    });

    const QString indent(11, u' ');
    QString block = QCoreApplication::applicationName() + QStringLiteral(" opened a window on Qt's ")
                    + QGuiApplication::platformName() + QStringLiteral(" platform, where nobody can see it:\n");
    block += QStringLiteral("  title:   ") + box->windowTitle() + u'\n';
    for (const Shown& item : shown) {
        // Windows texts end their lines with CR LF.
        const QStringList lines = QString(item.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
        block += QStringLiteral("  ") + item.kind + u':' + QString(8 - item.kind.size(), u' ') + lines.front() + u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            block += (lines[i].isEmpty() ? QString() : indent + lines[i]) + u'\n';
    }
    QStringList captions;
    for (const QPushButton* button : buttons)
        captions << u'[' + withoutMnemonics(button->text()) + u']'
                        + (button->isDefault() ? QStringLiteral(" (default)") : QString());
    if (!captions.isEmpty())
        block += QStringLiteral("  buttons: ") + captions.join(QStringLiteral(", ")) + u'\n';
    block += QStringLiteral("  To answer it, run the program with a display (see the README).\n");
    return block;
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
