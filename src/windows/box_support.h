#pragma once

#include <QDialog>
#include <QLabel>
#include <QMargins>
#include <QPushButton>
#include <Qt>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>

class QFont;
class QKeyEvent;
class QMouseEvent;

// What the program's own boxes (message box, input box, base selection)
// share: placing controls in twips, measuring texts, handing keys to the main
// window and waiting for an answer while the event loop runs.
namespace qn3::windows {

// Twips a titled window with thin borders adds to its client area.
inline constexpr int kFrameWidthTwips = 90;
inline constexpr int kFrameHeightTwips = 390;

// Places a control (left, top, width, height in twips, relative to the
// client area). The twips are kept as the control's "Left", "Top", "Width"
// and "Height" properties, so the layout rules read back exactly what they
// computed rather than pixels rounded to 15 twips.
void placeTwips(QWidget* control, int left, int top, int width, int height);

// A dialog's default button (`caption`, object name `name`) and its
// "Annuler", wired to accept and reject, each at least the size of a Windows
// dialog button so that a skin's narrow padding never crowds its caption.
std::pair<QPushButton*, QPushButton*> addAcceptAndCancel(QDialog* dialog, const QString& caption,
                                                         const QString& name);
// Dresses `label` as the red line in which a dialog refuses what was typed,
// hidden until there is something to refuse.
void dressRefusal(QLabel* label);
// Moves a window (left, top of its outer frame, in twips).
void moveWindowTwips(QWidget* window, int left, int top);
// Sizes a window by its outer width and height in twips.
void resizeWindowTwips(QWidget* window, int width, int height);
// A twips property written above ("Left", "Top", "Width", "Height").
int twips(const QWidget* widget, const char* property);

// The width in twips of `text` in `font`; with `mnemonics`, "&" markers
// count as a button shows them (a single "&" takes no room, "&&" is one "&").
int textWidthTwips(const QFont& font, const QString& text, bool mnemonics);

// The size in twips of the screen that shows `widget` (the primary screen
// when it has none yet).
struct ScreenTwips {
    int width = 0;
    int height = 0;
};
ScreenTwips screenTwips(const QWidget* widget);

// The program's main window: the first of its main windows, or nullptr.
QWidget* mainWindow();

// The frame of a fixed-size box, as a Windows dialog has it: a title, no
// minimise or maximise button, and the close box only where closing the box
// answers something.
Qt::WindowFlags fixedBoxFlags(bool closeBox);
// Shows or withholds the close box of `box` (before it is shown).
void setCloseBox(QWidget* box, bool closeBox);
// Keeps `box` from taking its owner away: shown, it asks the window manager
// for a frame without minimise and maximise buttons (openbox draws both on
// every dialog whatever the flags say, and minimises the owner along); a
// window manager that minimises it all the same sees it back at once, with
// the window it was shown over. Framed by the window manager narrower than
// its caption needs in that frame, a box of fixed size is asked to lay
// itself out again (a LayoutRequest) and any other kept that wide. Shown where no screen displays it (Qt's offscreen or
// minimal platform), it writes its title, texts, fields and buttons to the
// terminal (platform::Terminal) once, so that a person there sees what it
// waits for. Called once per box, before it is shown.
void keepBoxShown(QWidget* box);
// What `box` shows, as the terminal block above: its title, the texts of
// its labels and fields and its lists, top to bottom, and its buttons left
// to right, the default one marked.
QString describeBox(const QWidget* box);

// The frame the window manager draws around `window`, as the extents it
// reports (left, top, right, bottom): the window's own once it is framed,
// else that of the window it belongs to or of the main window, which the same
// window manager frames alike; where none has a title bar (Qt's offscreen
// platform), the window's own margins, often none.
QMargins windowFrame(const QWidget* window);
// The outer width in pixels a title bar in `frame` needs to show `caption`
// whole. The window manager draws the title in a font of its own that Qt
// does not know, sized to the title bar: bold, its letters about 60% of the
// bar's height (the top extent less the side border); beside it the window
// icon and up to three buttons, each about as wide as the bar is high, and
// the side borders. Without a title bar in `frame`, the bar is taken as tall
// as a title bar usually is for the desktop's font.
int captionWidthPixels(const QString& caption, const QMargins& frame);
// The width in pixels the client area of `box` needs for its caption in its
// frame.
int captionClientWidth(const QWidget* box);

// The message box and the input box: titled, fixed in size, above every
// other window and not modal (the caller waits with the event loop running).
// Every key press goes to the main window's keyboard handler, and Escape
// chooses nothing; every key release records the modifier keys held; the
// pointer moving over the box gives it the keyboard, so Enter answers it.
class TopmostBox : public QDialog {
    Q_OBJECT
public:
    explicit TopmostBox(QWidget* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// Lets the event loop run until `box` finishes, then gives its result; a box
// destroyed before it finished (its owner closed, say) gives `ifGone`.
// `start` runs once the wait is under way (a test's answer).
int waitUntilFinished(QDialog* box, int ifGone, const std::function<void()>& start);

// The element `index` of a control array of `parent` (controls sharing one
// objectName, told apart by their "Index" property).
template <class Control>
Control* element(const QWidget* parent, const QString& name, int index)
{
    for (Control* control : parent->findChildren<Control*>(name))
        if (control->property("Index").toInt() == index)
            return control;
    return nullptr;
}

// Names a control as element `index` of the array `name`.
void setElement(QWidget* control, const QString& name, int index);

} // namespace qn3::windows
