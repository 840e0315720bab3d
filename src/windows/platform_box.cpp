#include "windows/platform_box.h"

#include "windows/box_support.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace qn3::windows {
namespace {

// The label Qt shows the text in, and the one with the icon.
const QString kTextLabel = QStringLiteral("qt_msgbox_label");
const QString kIconLabel = QStringLiteral("qt_msgboxex_icon_label");

// Cuts what does not fit off the front of `line`, one full line at a time.
void cutLongWord(QString& line, QStringList& lines, const QFontMetricsF& metrics, qreal width)
{
    while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
        qsizetype fits = 1;
        while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= width)
            ++fits;
        lines << line.left(fits);
        line.remove(0, fits);
    }
}

// The width of the widest word (pieces between blanks and line feeds).
qreal widestWord(const QString& text, const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (const QString& paragraph : text.split(u'\n'))
        for (const QString& word : paragraph.split(u' '))
            widest = std::max(widest, metrics.horizontalAdvance(word));
    return widest;
}

// The height of the box's layout at `width`.
int heightAt(const QLayout* layout, int width)
{
    return layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalMinimumSize().height();
}

} // namespace

QString breakAtBlanks(const QString& text, const QFontMetricsF& metrics, qreal width)
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

qreal PlatformMessageBox::lineWidth(const QFontMetricsF& metrics) const
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
    const QMargins frame = windowFrame(this);
    const qreal usual = std::min(screenWidth / 2, 500) - beside;
    const qreal room = screenWidth - frame.left() - frame.right() - beside;
    // As a Windows message box, widened to its longest word before any word
    // is broken.
    return std::max<qreal>(100, std::min(std::max(usual, widestWord(message_, metrics)), room));
}

void PlatformMessageBox::fitText()
{
    QLabel* label = findChild<QLabel*>(kTextLabel);
    if (label == nullptr || layout() == nullptr)
        return;
    if (message_.isNull())
        message_ = label->text();
    label->ensurePolished();
    const QFontMetricsF metrics(label->font());
    const QString lines = breakAtBlanks(message_, metrics, lineWidth(metrics));
    if (label->text() != lines)
        label->setText(lines);
    qreal widest = 0;
    for (const QString& line : lines.split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // The label's own margins and indent, and a pixel for rounding: with
    // less, Qt would wrap a line again wherever its rules allow (after ":"
    // or "\" in a path).
    const QMargins margins = label->contentsMargins();
    const int textWidth = static_cast<int>(std::ceil(widest)) + 1 + margins.left() + margins.right()
                          + 2 * label->margin() + std::max(0, label->indent());
    label->setMinimumWidth(textWidth);
    layout()->invalidate();
    const int shortBy = captionClientWidth(this) - layout()->totalMinimumSize().width();
    if (shortBy > 0)
        label->setMinimumWidth(textWidth + shortBy);
}

void PlatformMessageBox::widenToText()
{
    layout()->activate();
    const int width = layout()->totalMinimumSize().width();
    if (width > this->width())
        setFixedSize(width, heightAt(layout(), width));
}

bool PlatformMessageBox::event(QEvent* event)
{
    // Qt sizes the box again at each layout request.
    const bool relayout = event->type() == QEvent::LayoutRequest && isVisible() && layout() != nullptr;
    if (relayout)
        fitText();
    const bool handled = QMessageBox::event(event);
    if (relayout)
        widenToText();
    return handled;
}

void PlatformMessageBox::showEvent(QShowEvent* event)
{
    fitText();
    QMessageBox::showEvent(event);
    if (layout() != nullptr)
        widenToText();
}

} // namespace qn3::windows
