#pragma once

#include <QMessageBox>
#include <QString>

class QFontMetrics;

// The platform's message box as the program shows it: the frame of a
// Windows dialog (no minimise or maximise button, the close box only where
// it answers), lines broken at blanks as a Windows message box breaks them,
// and wide enough for its caption.
namespace qn3::windows {

// `text` with its lines broken so none is wider than `width` pixels: at
// blanks (the blank at a break is dropped); a word longer than a line is cut
// where the line is full. Line feeds already in `text` stay.
QString breakAtBlanks(const QString& text, const QFontMetrics& metrics, int width);

class PlatformMessageBox final : public QMessageBox {
    Q_OBJECT
public:
    PlatformMessageBox(Icon icon, const QString& title, const QString& text, QWidget* owner);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The widest a line may be: the box stays within the width Qt gives a
    // message box (half the screen, 500 pixels at most).
    int lineWidth() const;

    QString message_;
};

} // namespace qn3::windows
