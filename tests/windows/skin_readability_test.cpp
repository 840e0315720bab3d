#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_select_base.h"
#include "windows/look.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QPalette>

#include <algorithm>
#include <cmath>

// What a user reads under every style: selected entries of lists and combo
// boxes. Measured on the painted pictures, not on the colours asked for.
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

} // namespace
} // namespace qn3::windows
