#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/look.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

// What a user reads under every style: selected entries of lists and combo
// boxes, whole button captions. Measured on the painted pictures, not on the
// colours and sizes asked for.
namespace qn3::windows {
namespace {

using SkinReadabilityTest = testing::ServicesTest;

// The styles: the twenty skins and no skin (the platform's own colours).
constexpr int32_t kStyles = 21;
constexpr int32_t kNoSkin = 20;
// The contrast ordinary text needs to be read with ease (WCAG level AA).
constexpr double kReadable = 4.5;

double luminance(const QColor& colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// An entry as painted: its background is the colour most of its pixels
// have, its text the pixel that stands out most from that background.
struct Entry {
    QColor background;
    double textContrast = 1;
};

Entry paintedEntry(const QImage& image, const QRect& rect)
{
    QHash<QRgb, int> counts;
    const QRect inner = rect.adjusted(1, 1, -1, -1) & image.rect();
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            ++counts[image.pixel(x, y)];
    Entry entry;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            most = it.value(), entry.background = QColor(it.key());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        entry.textContrast = std::max(entry.textContrast, contrast(entry.background, QColor(it.key())));
    return entry;
}

// The contrast the skin must reach; without a skin, the one the platform's
// own selection colours give (the look must not lose any of it).
double wantedContrast(int32_t style)
{
    if (style != kNoSkin)
        return kReadable;
    const QPalette platform = QApplication::palette();
    return std::min(kReadable, contrast(platform.color(QPalette::Highlight), platform.color(QPalette::HighlightedText)))
           - 0.01;
}

// The selected entry (row 1) of a painted list, and the background of an
// entry that is not selected (row 0).
void expectReadableSelection(QAbstractItemView* view, int32_t style, const char* what)
{
    const double wanted = wantedContrast(style);
    const QImage painted = view->viewport()->grab().toImage();
    const Entry selected = paintedEntry(painted, view->visualRect(view->model()->index(1, 0)));
    const Entry other = paintedEntry(painted, view->visualRect(view->model()->index(0, 0)));
    EXPECT_GE(selected.textContrast, wanted) << what << " selected on " << selected.background.name().toStdString();
    EXPECT_GE(other.textContrast, wanted) << what << " on " << other.background.name().toStdString();
    EXPECT_NE(selected.background, other.background) << what << ": the selection does not show";
}

TEST_F(SkinReadabilityTest, SelectedEntriesStayReadableInListsAndComboBoxes)
{
    for (int32_t style = 0; style < kStyles; ++style) {
        SCOPED_TRACE(::testing::Message() << "style " << style);
        const testing::Skinned skin(style);

        FrmSelectBase bases(nullptr);
        bases.ComboBase->addItems({QStringLiteral("Base 1"), QStringLiteral("Base 2"), QStringLiteral("Base 3")});
        bases.show();
        bases.ComboBase->showPopup();
        QAbstractItemView* popup = bases.ComboBase->view();
        popup->setCurrentIndex(popup->model()->index(1, 0));
        expectReadableSelection(popup, style, "base list");
        if (style == 15)
            testing::saveScreenshot(popup->window(), QStringLiteral("FrmSelectBase_list"));
        bases.ComboBase->hidePopup();

        QDialog window;
        auto* list = new QListWidget(&window);
        list->addItems({QStringLiteral("Ligne 1"), QStringLiteral("Ligne 2"), QStringLiteral("Ligne 3")});
        list->setGeometry(10, 10, 200, 80);
        LookFenetre(&window, 1);
        window.show();
        window.activateWindow();
        list->setFocus();
        list->setCurrentRow(1);
        expectReadableSelection(list, style, "list box");
    }
}

// The columns where `image` differs from `blank` (ink), as [left, right];
// an empty range when nothing differs.
std::pair<int, int> inkColumns(const QImage& image, const QImage& blank)
{
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor a(image.pixel(x, y));
            const QColor b(blank.pixel(x, y));
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 90) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    return {left, right};
}

// How wide the caption's ink is when nothing cuts it.
int inkWidth(const QString& caption, const QFont& font)
{
    const QFontMetrics metrics(font);
    QImage blank(metrics.horizontalAdvance(caption) + 20, metrics.height() + 10, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage drawn = blank;
    QPainter painter(&drawn);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(10, 5 + metrics.ascent(), caption);
    painter.end();
    const auto [left, right] = inkColumns(drawn, blank);
    return right - left + 1;
}

// The caption fits the room the style leaves inside the border and padding,
// by its font's measure and on the painted button: its ink stays inside that
// room and is as wide as the whole caption's.
void expectWholeCaption(QPushButton* button)
{
    const QString caption = button->text();
    SCOPED_TRACE(caption.toStdString());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = caption;
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(caption), room.width());

    const QImage painted = button->grab().toImage();
    button->setText(QString());
    const QImage blank = button->grab().toImage();
    button->setText(caption);
    const auto [left, right] = inkColumns(painted, blank);
    EXPECT_GE(left, room.left());
    EXPECT_LE(right, room.right());
    EXPECT_GE(right - left + 1, inkWidth(caption, button->font()) - 1);
}

void expectWholeCaptions(QWidget* window)
{
    SCOPED_TRACE(window->objectName().toStdString());
    window->show();
    const QList<QPushButton*> buttons = window->findChildren<QPushButton*>();
    ASSERT_FALSE(buttons.isEmpty());
    for (QPushButton* button : buttons)
        expectWholeCaption(button);
}

TEST_F(SkinReadabilityTest, ButtonCaptionsAreWhole)
{
    for (int32_t style = 0; style < kStyles; ++style) {
        SCOPED_TRACE(::testing::Message() << "style " << style);
        const testing::Skinned skin(style);
        FrmInputBox input(nullptr);
        expectWholeCaptions(&input);
        FrmSelectBase bases(nullptr);
        expectWholeCaptions(&bases);
        if (style == 15) {
            testing::saveScreenshot(&input, QStringLiteral("FrmInputBox_style15"));
            testing::saveScreenshot(&bases, QStringLiteral("FrmSelectBase_style15"));
        }
        ChoiceBox(QStringLiteral("Texte"), {QStringLiteral("Abandonner"), QStringLiteral("Recommencer"),
                                            QStringLiteral("Ignorer")}, nullptr, {}, nullptr, nullptr, 0, 1, 0, 16, true);
        FrmMsgBox* message = testing::shownWindow<FrmMsgBox>();
        ASSERT_NE(message, nullptr);
        expectWholeCaptions(message);
        message->BtnMsgBox[0]->click();
    }
}

} // namespace
} // namespace qn3::windows
