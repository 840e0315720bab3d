#include "windows/platform_box.h"

#include "windows/box_support.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>

#include <algorithm>

namespace qn3::windows {
namespace {

// The label Qt shows the text in, and the one with the icon.
const QString kTextLabel = QStringLiteral("qt_msgbox_label");
const QString kIconLabel = QStringLiteral("qt_msgboxex_icon_label");

// Cuts what does not fit off the front of `line`, one full line at a time.
void cutLongWord(QString& line, QStringList& lines, const QFontMetrics& metrics, int width)
{
    while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
        qsizetype fits = 1;
        while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= width)
            ++fits;
        lines << line.left(fits);
        line.remove(0, fits);
    }
}

} // namespace

QString breakAtBlanks(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        // Pieces between single blanks: an empty piece stands for a further blank.
        const QStringList words = paragraph.split(u' ');
        QString line = words.front();
        cutLongWord(line, lines, metrics, width);
        for (qsizetype k = 1; k < words.size(); ++k) {
            const QString longer = line + u' ' + words[k];
            if (metrics.horizontalAdvance(longer) <= width || line.isEmpty()) {
                line = longer;
            } else {
                lines << line;
                line = words[k];
            }
            cutLongWord(line, lines, metrics, width);
        }
        lines << line;
    }
    return lines.join(u'\n');
}

PlatformMessageBox::PlatformMessageBox(Icon icon, const QString& title, const QString& text, QWidget* owner)
    : QMessageBox(icon, title, text, NoButton, owner, fixedBoxFlags(true))
{
    keepBoxShown(this);
}

int PlatformMessageBox::lineWidth() const
{
    const QScreen* shown = screen();
    const int screenWidth = shown != nullptr ? shown->availableGeometry().width() : 1024;
    int beside = 0;
    if (const QLayout* grid = layout()) {
        const QMargins margins = grid->contentsMargins();
        beside += margins.left() + margins.right() + 2 * std::max(0, grid->spacing());
    }
    // Qt indents the text from the icon, or from the edge without one.
    const QLabel* icon = findChild<QLabel*>(kIconLabel);
    beside += icon != nullptr && !icon->isHidden() ? icon->sizeHint().width() + 7 : 15;
    return std::max(100, std::min(screenWidth / 2, 500) - beside);
}

void PlatformMessageBox::showEvent(QShowEvent* event)
{
    QLabel* label = findChild<QLabel*>(kTextLabel);
    if (label != nullptr) {
        if (message_.isNull())
            message_ = label->text();
        label->ensurePolished();
        label->setText(breakAtBlanks(message_, QFontMetrics(label->font()), lineWidth()));
    }
    QMessageBox::showEvent(event);
    // Qt wraps a long text wherever its line-breaking rules allow (after ":"
    // or "\" in a path): the lines stay as broken above.
    if (label != nullptr)
        label->setWordWrap(false);
    layout()->activate();
    QSize size = layout()->totalMinimumSize();
    size.setWidth(std::max(size.width(), captionWidthPixels(windowTitle())));
    setFixedSize(size);
}

} // namespace qn3::windows
