#include "windows/skin_styles.h"

#include "services/window_members.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace qn3::windows {
namespace {

// The colours one skin is drawn with. Buttons, tabs and headers share one
// vertical gradient; dark gradients carry white text. The accent marks
// selected entries under `accentText`, so the two keep the contrast ordinary
// text needs (4.5 to 1).
struct SkinColours {
    const char16_t* file;
    const char16_t* ini;
    QRgb window;
    QRgb buttonTop;
    QRgb buttonBottom;
    QRgb buttonText;
    QRgb border;
    QRgb accent;
    QRgb accentText;
    int radius;
};

constexpr QRgb kBlack = 0xFF1A1A1A;
constexpr QRgb kWhite = 0xFFFFFFFF;

constexpr std::array<SkinColours, 20> kSkins{{
    {u"vista.cjstyles", u"normalblack.ini", 0xFFF0F0F0, 0xFF5A5F66, 0xFF1E2126, kWhite, 0xFF101214, 0xFF2C71D1, kWhite, 3},
    {u"vista.cjstyles", u"normalblack2.ini", 0xFFE9EAEC, 0xFF6B6F76, 0xFF2B2D31, kWhite, 0xFF202226, 0xFF3977AF, kWhite, 3},
    {u"vista.cjstyles", u"normalblue.ini", 0xFFEEF3FA, 0xFFEAF3FC, 0xFFB9D3EE, 0xFF0E2A47, 0xFF6E8FB3, 0xFF2A72D4, kWhite, 3},
    {u"vista.cjstyles", u"normalsilver.ini", 0xFFF2F2F4, 0xFFFAFAFB, 0xFFD4D6DA, kBlack, 0xFF8C9096, 0xFF667485, kWhite, 3},
    {u"winxp.royale.cjstyles", u"normalroyale.ini", 0xFFF0F0F0, 0xFFFFFFFF, 0xFFD6DFEE, kBlack, 0xFF3C5A93, 0xFF335EA8, kWhite, 3},
    {u"winxp.luna.cjstyles", u"normalblue.ini", 0xFFECE9D8, 0xFFFFFFFF, 0xFFD6D0C5, kBlack, 0xFF003C74, 0xFF316AC5, kWhite, 3},
    {u"winxp.luna.cjstyles", u"normalhomestead.ini", 0xFFECE9D8, 0xFFFFFFF4, 0xFFD9D3B8, kBlack, 0xFF5B6E3A, 0xFF67794C, kWhite, 3},
    {u"winxp.luna.cjstyles", u"normalmetallic.ini", 0xFFE0DFE3, 0xFFFFFFFF, 0xFFC8C8D4, kBlack, 0xFF6F6F82, 0xFF717190, kWhite, 3},
    {u"codejock.cjstyles", u"normalblue.ini", 0xFFEBEBE4, 0xFFF6F8FC, 0xFFC9D6EA, kBlack, 0xFF6A86B7, 0xFF4169A8, kWhite, 2},
    {u"codejock.cjstyles", u"normalblack.ini", 0xFFE8E8E8, 0xFF707070, 0xFF383838, kWhite, 0xFF1E1E1E, 0xFF505050, kWhite, 2},
    {u"office2007.cjstyles", u"normalvistablue.ini", 0xFFBFDBFF, 0xFFF1F7FE, 0xFFC5DCF8, 0xFF15428B, 0xFF8DB2E3, 0xFFFFD35A, kBlack, 2},
    {u"office2007.cjstyles", u"lightblue.ini", 0xFFE3EFFF, 0xFFFFFFFF, 0xFFD2E3F8, 0xFF15428B, 0xFF9EBEE7, 0xFFFFC94D, kBlack, 2},
    {u"office2007.cjstyles", u"normalaqua.ini", 0xFFEDEDED, 0xFFF7FBFD, 0xFFCDE7F2, 0xFF1E395B, 0xFF8FB7C9, 0xFF317B9B, kWhite, 2},
    {u"office2007.cjstyles", u"normalvistasilver.ini", 0xFFEEEEF4, 0xFFFFFFFF, 0xFFD9DCE6, 0xFF2D2D41, 0xFFA5ACB5, 0xFFFFD35A, kBlack, 2},
    {u"office2007.cjstyles", u"normalblack.ini", 0xFFEBEBEB, 0xFF5F5F5F, 0xFF2D2D2D, kWhite, 0xFF1F1F1F, 0xFFFFB84D, kBlack, 2},
    {u"itunes", u"normalitunes.ini", 0xFFB6B6B6, 0xFFF4F4F4, 0xFFBDBDBD, kBlack, 0xFF6E6E6E, 0xFF2570DB, kWhite, 9},
    {u"le5", u"normalblue.ini", 0xFFECE9D8, 0xFFE8F0FB, 0xFF9EB9E2, kBlack, 0xFF3E5F96, 0xFF2F5FAF, kWhite, 4},
    {u"thallos.cjstyles", u"normalthallos.ini", 0xFFEEF2F5, 0xFFFDFEFF, 0xFFC5CED9, kBlack, 0xFF7D8FA3, 0xFF55769B, kWhite, 3},
    {u"tiger.cjstyles", u"normalappleb.ini", 0xFFF0F0F0, 0xFFFCFCFC, 0xFFD8D8D8, kBlack, 0xFF8A8A8A, 0xFF306FD5, kWhite, 10},
    {u"tiger.cjstyles", u"normalappleg.ini", 0xFFF0F0F0, 0xFFF4F4F4, 0xFFCFCFCF, kBlack, 0xFF7E7E7E, 0xFF657586, kWhite, 10},
}};

QString rgb(QRgb colour)
{
    return QColor(colour).name();
}

QString gradient(const QColor& top, const QColor& bottom)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)").arg(top.name(), bottom.name());
}

// What a mark is given: a little above the 3 to 1 it needs.
constexpr double kMark = 3.2;

bool standsOut(const QColor& mark, std::initializer_list<QColor> grounds, double needed)
{
    return std::ranges::all_of(grounds, [&](const QColor& ground) { return contrastRatio(mark, ground) >= needed; });
}

// `colour`, darkened or lightened just enough to stand out by `needed` from
// every colour it is drawn over or under (kMark for a mark, 4.6 for the
// ground of text).
QColor markOver(const QColor& colour, std::initializer_list<QColor> grounds, double needed = kMark)
{
    double darkest = 21;
    for (const QColor& ground : grounds)
        darkest = std::min(darkest, contrastRatio(ground, Qt::black));
    // Towards black over light grounds, towards white over dark ones.
    const QColor end = darkest >= contrastRatio(*grounds.begin(), Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 0; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mark = QColor::fromRgbF(static_cast<float>(colour.redF() + (end.redF() - colour.redF()) * t),
                                             static_cast<float>(colour.greenF() + (end.greenF() - colour.greenF()) * t),
                                             static_cast<float>(colour.blueF() + (end.blueF() - colour.blueF()) * t));
        if (standsOut(mark, grounds, needed))
            return mark;
    }
    return end;
}

// The frame of the default button: its outer line stands out from the window
// around the button, its inner line from the button's face. One colour when
// one does both; else, as over a dark face on a light window, two lines
// (each side's colour a sharp two-step gradient across its width).
struct ButtonMarks {
    QColor outer;
    QColor inner;
};

ButtonMarks buttonMarks(const QColor& accent, const QColor& window, const QColor& top, const QColor& bottom)
{
    if (const QColor both = markOver(accent, {window, top, bottom}); standsOut(both, {window, top, bottom}, kMark))
        return {both, both};
    return {markOver(accent, {window}), markOver(accent, {top, bottom})};
}

QString defaultFrame(const ButtonMarks& marks)
{
    if (marks.outer == marks.inner)
        return QStringLiteral("border: 2px solid %1;").arg(marks.outer.name());
    const auto side = [](const char* name, const char* across, const QColor& first, const QColor& second) {
        return QStringLiteral(" border-%1-color: qlineargradient(%2, stop:0 %3, stop:0.5 %3, stop:0.501 %4,"
                              " stop:1 %4);")
            .arg(QLatin1String(name), QLatin1String(across), first.name(), second.name());
    };
    const char* down = "x1:0, y1:0, x2:0, y2:1";
    const char* rightwards = "x1:0, y1:0, x2:1, y2:0";
    return QStringLiteral("border-width: 2px; border-style: solid;") + side("top", down, marks.outer, marks.inner)
           + side("bottom", down, marks.inner, marks.outer) + side("left", rightwards, marks.outer, marks.inner)
           + side("right", rightwards, marks.inner, marks.outer);
}

// Where Enter goes and where the keyboard is: the default button framed
// thick, the focused one dotted (the room inside the frame stays the same, so
// captions keep their place), a focused field or list framed, and the current
// entry of a list framed. Once entries have rules of their own, those rules
// draw the whole entry: the selected one is given its ground and text here
// (else its text, in the selection's colour, lies on the list's ground),
// every entry keeps a pixel of room for the frame (else the frame cuts the
// current entry's name short), and the frame replaces the platform's focus
// mark (which veils the entry's text).
QString focusSheet(const ButtonMarks& button, const QColor& entryMark, const QColor& selection,
                   const QColor& selectionText)
{
    return QStringLiteral(
               "QPushButton:focus { border: 2px dotted %1; padding: 1px 2px; }\n"
               "QPushButton:default { %2 padding: 1px 2px; }\n"
               "QComboBox:focus, QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QAbstractItemView:focus {"
               " border: 2px solid %3; }\n"
               // A combo box hands its own selection colours to its open list:
               // without them the list marks its entry with the combo's background.
               "QAbstractItemView, QComboBox, QLineEdit, QTextEdit, QPlainTextEdit {"
               " selection-background-color: %4; selection-color: %5; }\n"
               "QAbstractItemView { outline: none; }\n"
               "QAbstractItemView::item { border: 1px solid transparent; }\n"
               "QAbstractItemView::item:selected { background-color: %4; color: %5; }\n"
               "QAbstractItemView::item:focus { border: 1px solid %3; }\n")
        .arg(button.inner.name(), defaultFrame(button), entryMark.name(),
             markOver(selection, {selectionText}, 4.6).name(), selectionText.name());
}

// The lists' grounds: white, and the pale yellow of two styles.
const QColor kEntryGrounds[] = {QColor(Qt::white), QColor(255, 239, 178)};

QString sheetOf(const SkinColours& skin)
{
    const QColor top(skin.buttonTop);
    const QColor bottom(skin.buttonBottom);
    QColor disabledText(skin.buttonText);
    disabledText.setAlpha(120);
    const QString face = gradient(top, bottom);
    const QString hover = gradient(top.lighter(112), bottom.lighter(112));
    const QString pressed = gradient(bottom, top);
    return QStringLiteral(
               "QMainWindow, QDialog { background-color: %1; }\n"
               // Buttons keep the narrow inner margin of the platform's own, so
               // captions fit the widths the windows were designed with.
               "QPushButton { color: %2; background: %3; border: 1px solid %4; border-radius: %5px;"
               " padding: 2px 3px; }\n"
               "QPushButton:hover { background: %6; }\n"
               "QPushButton:pressed, QPushButton:checked { background: %7; }\n"
               "QPushButton:disabled { color: rgba(%9, %10, %11, 120); }\n"
               "QTabBar::tab { color: %2; background: %3; border: 1px solid %4; padding: 4px 12px;"
               " border-top-left-radius: %5px; border-top-right-radius: %5px; }\n"
               "QTabBar::tab:selected { color: black; background: %1; border-bottom-color: %1; }\n"
               "QHeaderView::section { color: %2; background: %3; border: 1px solid %4; padding: 2px 4px; }\n"
               "QMenuBar { background: %3; color: %2; }\n"
               "QMenuBar::item:selected, QMenu::item:selected { background: %8; color: %12; }\n"
               "QProgressBar::chunk { background-color: %8; }\n")
        .arg(rgb(skin.window), rgb(skin.buttonText), face, rgb(skin.border), QString::number(skin.radius), hover,
             pressed, rgb(skin.accent))
        .arg(disabledText.red())
        .arg(disabledText.green())
        .arg(disabledText.blue())
        .arg(rgb(skin.accentText))
        + focusSheet(buttonMarks(QColor(skin.accent), QColor(skin.window), top, bottom),
                     markOver(QColor(skin.accent), {kEntryGrounds[0], kEntryGrounds[1], QColor(skin.window)}),
                     QColor(skin.accent), QColor(skin.accentText));
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});
    return (light + 0.05) / (dark + 0.05);
}

QString skinStyleSheet(const QString& skinFile, const QString& iniName)
{
    const QString file = skinFile.mid(skinFile.lastIndexOf(u'\\') + 1).toLower();
    const QString ini = iniName.toLower();
    for (const SkinColours& skin : kSkins) {
        if (file == QStringView(skin.file) && ini == QStringView(skin.ini))
            return sheetOf(skin);
    }
    // Without a skin the platform draws every control, and shows the focus
    // only once the keyboard has moved it: the marks are drawn in its
    // selection colour, and selected entries in its own colours, darkened
    // only where its text would not read on them.
    const QPalette platform = QApplication::palette();
    const QColor highlight = platform.color(QPalette::Highlight);
    const QColor button = platform.color(QPalette::Button);
    return focusSheet(buttonMarks(highlight, platform.color(QPalette::Window), button, button.darker(115)),
                      markOver(highlight, {kEntryGrounds[0], kEntryGrounds[1], button}), highlight,
                      platform.color(QPalette::HighlightedText));
}

void InstallSkinEngine(services::SkinComponent& skins)
{
    skins.setDresser([](const QString& skinFile, const QString& iniName) {
        if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
            application->setStyleSheet(skinStyleSheet(skinFile, iniName));
    });
}

} // namespace qn3::windows
