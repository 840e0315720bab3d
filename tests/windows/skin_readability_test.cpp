#include "support/services_fixture.h"
#include "windows/box_test_support.h"
#include "windows/frm_inputbox.h"
#include "windows/frm_msgbox.h"
#include "windows/frm_select_base.h"
#include "windows/look.h"
#include "windows/skin_styles.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <cmath>

// What a user reads under every style: selected entries of lists and combo
// boxes, whole button captions. Measured on the painted pictures, not on the
// colours and sizes asked for.
namespace qn3::windows {
namespace {

using SkinReadabilityTest = testing::ServicesTest;

// The contrast ordinary text needs to be read with ease (WCAG level AA).
constexpr double kReadable = 4.5;

// An entry as painted: its background is the colour most of its pixels have,
// its text's contrast that of the pixel standing out most from that background.
std::pair<QColor, double> paintedEntry(const QImage& image, const QRect& rect)
{
    QHash<QRgb, int> counts;
    const QRect inner = rect.adjusted(1, 1, -1, -1) & image.rect();
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            ++counts[image.pixel(x, y)];
    const QList<QRgb> colours = counts.keys();
    const QColor background(*std::ranges::max_element(colours, {}, [&](QRgb colour) { return counts.value(colour); }));
    double text = 1;
    for (const QRgb colour : colours)
        text = std::max(text, contrastRatio(background, QColor(colour)));
    return {background, text};
}

// Every state an entry takes is read with ease: the text of the entry at
// `index`, painted as `view` shows it now, stands out from its background by
// kReadable, inside the edge where the current entry's frame is drawn. The
// background is returned.
QColor expectReadableEntry(QAbstractItemView* view, const QModelIndex& index, const char* what)
{
    const QImage painted = view->viewport()->grab().toImage();
    const auto [background, text] = paintedEntry(painted, view->visualRect(index).adjusted(1, 1, -1, -1));
    EXPECT_GE(text, kReadable) << what << " on " << background.name().toStdString();
    return background;
}

// The selected entry (row 1) of a painted list reads as well as one not
// selected (row 0), at kReadable under every style (without a skin too: the
// platform's selection colour is darkened where its text would not read),
// and stands apart from it.
void expectReadableSelection(QAbstractItemView* view, const char* what)
{
    const QColor selected = expectReadableEntry(view, view->model()->index(1, 0), what);
    EXPECT_NE(selected, expectReadableEntry(view, view->model()->index(0, 0), what))
        << what << ": the selection does not show";
}

// How many columns of the entry at `index`, as `view` paints it now, hold
// its text (a pixel standing out from the entry's background by 2 to 1):
// a name cut short ("20261206.L...") holds fewer than the whole one.
int textColumns(QAbstractItemView* view, const QModelIndex& index)
{
    const QImage painted = view->viewport()->grab().toImage();
    const QRect inner = view->visualRect(index).adjusted(2, 2, -2, -2) & painted.rect();
    const QColor background = paintedEntry(painted, inner).first;
    int columns = 0;
    for (int x = inner.left(); x <= inner.right(); ++x) {
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            if (contrastRatio(background, QColor(painted.pixel(x, y))) >= 2) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

// The default button's frame against the window around it, measured where
// the painted edge is straight: the weakest contrast between a pixel of the
// button's outer edge and the window's pixel two steps outside it.
double defaultFrameContrast(QWidget* window, QPushButton* button)
{
    const QImage painted = window->grab(button->geometry().adjusted(-2, -2, 2, 2)).toImage();
    const int right = painted.width() - 1, bottom = painted.height() - 1;
    double weakest = 21;
    const auto measure = [&](int edgeX, int edgeY, int outX, int outY) {
        const double contrast = contrastRatio(QColor(painted.pixel(edgeX, edgeY)), QColor(painted.pixel(outX, outY)));
        weakest = std::min(weakest, contrast);
    };
    for (int x = 16; x <= right - 16; ++x) {
        measure(x, 2, x, 0);
        measure(x, bottom - 2, x, bottom);
    }
    for (int y = bottom / 2 - 1; y <= bottom / 2 + 1; ++y) {
        measure(2, y, 0, y);
        measure(right - 2, y, right, y);
    }
    return weakest;
}

// The columns where `image` differs from `blank` (ink), as [left, right];
// an empty range when nothing differs.
std::pair<int, int> inkColumns(const QImage& image, const QImage& blank)
{
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor a(image.pixel(x, y)), b(blank.pixel(x, y));
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 90)
                left = std::min(left, x), right = std::max(right, x);
        }
    return {left, right};
}

// The caption fits the room the style leaves inside the border and padding,
// by its font's measure and on the painted button: its ink stays inside that
// room and is as wide as the caption's drawn with nothing to cut it.
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
    const QFontMetrics metrics(button->font());
    EXPECT_LE(metrics.horizontalAdvance(caption), room.width());

    const QImage painted = button->grab().toImage();
    button->setText(QString());
    const auto [left, right] = inkColumns(painted, button->grab().toImage());
    button->setText(caption);
    EXPECT_GE(left, room.left());
    EXPECT_LE(right, room.right());

    QImage blank(metrics.horizontalAdvance(caption) + 20, metrics.height() + 10, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage alone = blank;
    QPainter painter(&alone);
    painter.setFont(button->font());
    painter.drawText(10, 5 + metrics.ascent(), caption);
    painter.end();
    const auto [aloneLeft, aloneRight] = inkColumns(alone, blank);
    EXPECT_GE(right - left, aloneRight - aloneLeft - 1);
}

TEST_F(SkinReadabilityTest, SelectionsAndCaptionsAreReadableUnderEveryStyle)
{
    for (int32_t style = 0; style <= 20; ++style) { // the twenty skins, then none (the platform's own colours)
        SCOPED_TRACE(::testing::Message() << "style " << style);
        const testing::Skinned skin(style);

        FrmSelectBase bases(nullptr);
        bases.ComboBase->addItems({QStringLiteral("Base 1"), QStringLiteral("Base 2"), QStringLiteral("Base 3")});
        bases.show();
        bases.ComboBase->showPopup();
        QAbstractItemView* popup = bases.ComboBase->view();
        popup->setCurrentIndex(popup->model()->index(1, 0));
        expectReadableSelection(popup, "base list");
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
        expectReadableSelection(list, "list box");

        FrmInputBox input(nullptr);
        ChoiceBox(QStringLiteral("Texte"), QStringLiteral("Abandonner Recommencer Ignorer").split(u' '), nullptr, {},
                  nullptr, nullptr, 0, 1, 0, 16, true);
        FrmMsgBox* message = testing::shownWindow<FrmMsgBox>();
        ASSERT_NE(message, nullptr);
        for (QWidget* box : std::initializer_list<QWidget*>{&input, &bases, message}) {
            box->show();
            const QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
            EXPECT_FALSE(buttons.isEmpty());
            for (QPushButton* button : buttons)
                expectWholeCaption(button);
        }
        if (style == 15)
            testing::saveScreenshot(&input, QStringLiteral("FrmInputBox_style15"));
        message->BtnMsgBox[0]->click();
    }
}

// Where Enter goes and where the keyboard is can be seen: the default
// button, the focused button, a focused list, combo box or text field, and
// the current entry of a list stand out from their plain twins, painted.
TEST_F(SkinReadabilityTest, DefaultButtonFocusAndCurrentEntryShowUnderEveryStyle)
{
    using testing::kSeen, testing::markShare;
    for (int32_t style = 0; style <= 20; ++style) {
        SCOPED_TRACE(::testing::Message() << "style " << style);
        const testing::Skinned skin(style);
        QDialog window;
        window.resize(460, 230);
        const auto button = [&](int x) {
            auto* made = new QPushButton(QStringLiteral("Valider"), &window);
            made->setGeometry(x, 10, 100, 25);
            made->setAutoDefault(false);
            return made;
        };
        QPushButton *const plain = button(10), *const byDefault = button(120), *const focused = button(230);
        byDefault->setDefault(true);
        auto* list = new QListWidget(&window);
        list->addItems({QStringLiteral("Ligne"), QStringLiteral("Ligne"), QStringLiteral("Ligne")});
        list->setGeometry(10, 45, 200, 80);
        // Each column as wide as its entries, as in the open-file dialog.
        list->setFlow(QListView::TopToBottom);
        list->setWrapping(true);
        list->setResizeMode(QListView::Adjust);
        auto* combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("Base 1"), QStringLiteral("Base 2")});
        combo->setGeometry(230, 45, 200, 25);
        auto* text = new QLineEdit(QStringLiteral("Texte"), &window);
        text->setGeometry(230, 80, 200, 25);
        // A combo box drawing its entries as the open-file dialog's "Regarder dans :" does.
        auto* drawn = new QComboBox(&window);
        drawn->setItemDelegate(new QStyledItemDelegate(drawn));
        drawn->addItems({QStringLiteral("C:"), QStringLiteral("AudioLog")});
        drawn->setGeometry(230, 115, 200, 25);
        auto* folders = new QStandardItemModel(&window);
        auto* drive = new QStandardItem(QStringLiteral("C:"));
        drive->appendRows({new QStandardItem(QStringLiteral("AudioLog")),
                           new QStandardItem(QStringLiteral("Histo_QN3_Tools_Vandrel"))});
        folders->appendRow(drive);
        auto* tree = new QTreeView(&window);
        tree->setHeaderHidden(true);
        tree->setModel(folders);
        tree->expandAll();
        tree->setGeometry(10, 135, 200, 80);
        // As wide as its entries, as in the folder dialog.
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        LookFenetre(&window, 1);
        window.show();
        window.activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(window.isActiveWindow());

        focused->setFocus();
        const QImage plainButton = plain->grab().toImage();
        EXPECT_GE(markShare(plainButton, byDefault->grab().toImage()), kSeen) << "default button";
        EXPECT_GE(markShare(plainButton, focused->grab().toImage()), kSeen) << "focused button";
        for (QWidget* control : std::initializer_list<QWidget*>{list, combo, text}) {
            plain->setFocus();
            const QImage away = control->grab().toImage();
            control->setFocus();
            EXPECT_GE(markShare(away, control->grab().toImage()), kSeen) << control->metaObject()->className();
        }

        // The current entry, not selected, of the focused list.
        list->setFocus();
        list->clearSelection();
        list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
        const QImage rows = list->viewport()->grab().toImage();
        EXPECT_GE(markShare(rows.copy(list->visualRect(list->model()->index(0, 0))),
                            rows.copy(list->visualRect(list->model()->index(1, 0)))), kSeen) << "current entry";

        // The default button stands out from the window around it, not only
        // from a plain button.
        EXPECT_GE(defaultFrameContrast(&window, byDefault), 3) << "default button's frame";

        // An entry reads in every state: selected while the keyboard is
        // elsewhere; selected, current and focused, its name as whole as
        // without the keyboard; current alone.
        for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{list, tree}) {
            SCOPED_TRACE(view->metaObject()->className());
            const QModelIndex first = view->model()->index(0, 0);
            const QModelIndex entry = view == tree ? first.model()->index(1, 0, first) : first.siblingAtRow(1);
            view->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
            plain->setFocus();
            expectReadableEntry(view, entry, "selected, the keyboard elsewhere");
            const int whole = textColumns(view, entry);
            view->setFocus();
            expectReadableEntry(view, entry, "selected, current and focused");
            EXPECT_GE(textColumns(view, entry), whole) << "the focused entry's name is cut";
            expectReadableEntry(view, first, "not selected");
            if (style == 15)
                testing::saveScreenshot(&window, view == tree ? QStringLiteral("selected_tree_style15")
                                                                 : QStringLiteral("selected_list_style15"));
            view->clearSelection();
            expectReadableEntry(view, entry, "current");
        }
        for (QComboBox* box : {combo, drawn}) {
            box->showPopup();
            QAbstractItemView* popup = box->view();
            const QModelIndex entry = popup->model()->index(1, 0);
            popup->setCurrentIndex(entry);
            expectReadableEntry(popup, entry, "open list's entry");
            box->hidePopup();
        }
        if (style == 15)
            testing::saveScreenshot(&window, QStringLiteral("focus_and_default_style15"));
    }
}

} // namespace
} // namespace qn3::windows
