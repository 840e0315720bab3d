#pragma once

#include <QMessageBox>
#include <QString>

class QFontMetricsF;

// The platform's message box as the program shows it: the frame of a
// Windows dialog (no minimise or maximise button, the close box only where
// it answers), lines broken at blanks as a Windows message box breaks them,
// as wide as its longest word and its caption need, up to the screen.
namespace qn3::windows {

// `text` with its lines broken so none is wider than `width` pixels: at
// blanks (the blank at a break is dropped); a word longer than a line is cut
// where the line is full. Line feeds already in `text` stay.
QString breakAtBlanks(const QString& text, const QFontMetricsF& metrics, qreal width);

class PlatformMessageBox final : public QMessageBox {
    Q_OBJECT
public:
    PlatformMessageBox(Icon icon, const QString& title, const QString& text, QWidget* owner);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Breaks the text for the box's screen and frame, and makes its label as
    // wide as the longest line and the caption need: Qt, which sizes a
    // message box again whenever its layout or style changes, then comes to
    // the same width. (A window resized twice in a row can end at the
    // first size under a window manager that answers late.)
    void fitText();
    // Widens the box where Qt keeps it narrower than its label (Qt holds a
    // message box within a share of the screen).
    void widenToText();
    // The widest a line may be: the width Qt gives a message box's text
    // (half the screen, 500 pixels at most), more for a longer word, up to
    // what the screen has room for beside the frame, the icon and margins.
    qreal lineWidth(const QFontMetricsF& metrics) const;

    QString message_;
};

} // namespace qn3::windows
