#include "box_test_support.h"
#include "platform/registry_store.h"
#include "services/registry_access.h"
#include "services/window_members.h"
#include "support/services_fixture.h"
#include "windows/look.h"
#include "windows/look_controls.h"
#include "windows/skin_styles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>

#include <utility>

namespace qn3::windows {
namespace {

const QString kKey = QStringLiteral("Software\\Sonvarek\\Quillon\\Look");

// Each test leaves the look as the program starts: no style chosen.
class LookTest : public testing::ServicesTest {
protected:
    ~LookTest() override
    {
        StyleLook = ModeBordure = 0;
        qApp->setStyleSheet(QString());
    }
};

// One control of each kind, with the names the look treats apart.
struct Window {
    QDialog window;
    QCheckBox* check = new QCheckBox(QStringLiteral("Check"), &window);
    QLineEdit* text = new QLineEdit(&window);
    QLineEdit* readOnly = new QLineEdit(&window);
    QListWidget* list = new QListWidget(&window);
    QComboBox* combo = new QComboBox(&window);
    QLabel* dots = new QLabel(QStringLiteral("..."), &window);
    QLabel* moreDots = new QLabel(QStringLiteral("...."), &window);
    QGroupBox* frame = new QGroupBox(QStringLiteral("Frame"), &window);
    QGroupBox* buttons = new QGroupBox(&window);
    QFrame* picture = new QFrame(frame);
    QFrame* shape = new QFrame(&window);
    QProgressBar* progress = new QProgressBar(&window);
    QTabWidget* tabs = new QTabWidget(&window);
    QPushButton* button = new QPushButton(QStringLiteral("Valider"), &window);
    Window()
    {
        buttons->setObjectName(QStringLiteral("MyFramePtxBtn"));
        shape->setObjectName(QStringLiteral("ShapeFondHaut"));
        tabs->setObjectName(QStringLiteral("SftTabsDonnees"));
        look::setColourProperty(readOnly, "BackColor", kButtonShadow);
        look::setColourProperty(picture, "BackColor", kWindowBackground);
        tabs->addTab(new QWidget, QStringLiteral("Un"));
        tabs->addTab(new QWidget, QStringLiteral("Deux"));
        tabs->setCurrentIndex(1);
        combo->setEditable(true); // its edit is part of it, not a text box
        window.resize(420, 364);
        int top = 4;
        for (QWidget* control : QWidgetList{check, text, readOnly, combo, dots, moreDots, progress})
            control->setGeometry(10, std::exchange(top, top + 28), 130, 24);
        list->setGeometry(150, 170, 250, 60);
        frame->setGeometry(150, 4, 250, 160);
        buttons->setGeometry(150, 236, 250, 30);
        picture->setGeometry(10, 40, 100, 60);
        shape->setGeometry(10, 236, 130, 30);
        tabs->setGeometry(10, 270, 400, 56);
        button->setGeometry(10, 330, 120, 28);
    }
};

OleColour backColour(const QWidget* control) { return look::colourProperty(control, "BackColor", 0xFFFFFFFF); }

TEST_F(LookTest, StoredStyleChoosesTheSkin)
{
    // stored nullptr: no value.
    const struct { const char* stored; int32_t style, mode; const char *skin, *ini; } cases[] = {
        {nullptr, 15, 0, "\\iTunes", "Normalitunes.ini"},
        {"7 et le reste", 7, 1, "\\WinXP.Luna.cjstyles", "NormalMetallic.ini"},
        {"abc", 0, 0, "\\Vista.cjstyles", "NormalBlack.ini"}, {"20", 20, 1, "", ""},
        {"25", 0, 0, "unchanged", "unchanged"}, {"-3", 0, 0, "unchanged", "unchanged"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "no value");
        StyleLook = ModeBordure = 0;
        services::SkinComponent& skins = services::Frm_Main().SkinFramework;
        skins.LoadSkin(QStringLiteral("unchanged"), QStringLiteral("unchanged"));
        skins.ApplyOptions = 0x10;
        const QString value = QString::fromUtf8(c.stored);
        services::Reg_SetValue(platform::HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Style"), value, 1);
        InitGeneralLook(-1);
        EXPECT_EQ(StyleLook, c.style);
        EXPECT_EQ(ModeBordure, c.mode);
        EXPECT_EQ(skins.skinFile(), (c.skin[0] == '\\' ? skins.skinsFolder() : QString()) + c.skin);
        EXPECT_EQ(skins.iniName(), QString::fromUtf8(c.ini));
        EXPECT_EQ(skins.skinsFolder(), "C:\\Program Files\\QN3\\Settings\\Skins\\Styles");
        EXPECT_EQ(skins.ApplyOptions, 0x11);
        QString stored;
        services::Reg_GetValue(platform::HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Style"), stored);
        EXPECT_EQ(stored, c.stored ? value : QStringLiteral("15"));
    }
}

TEST_F(LookTest, EverySkinHasItsOwnSheetAndNoSkinOnlyMarksTheFocus)
{
    InstallSkinEngine(services::Frm_Main().SkinFramework);
    QSet<QString> sheets;
    for (int32_t style = 0; style < 20; ++style) {
        Window sample;
        InitGeneralLook(style);
        LookFenetre(&sample.window, 1);
        sample.window.show();
        sheets.insert(qApp->styleSheet());
        testing::saveScreenshot(&sample.window, QStringLiteral("Skin_%1").arg(style));
    }
    EXPECT_EQ(sheets.size(), 20);
    EXPECT_FALSE(sheets.contains(QString()));
    // No skin: the platform's own look, where only the focus and the default
    // button are marked, and selections are given readable colours.
    InitGeneralLook(20);
    EXPECT_FALSE(sheets.contains(qApp->styleSheet()));
    QString grounds = qApp->styleSheet();
    grounds.remove(QStringLiteral("selection-background-color"));
    grounds.remove(QStringLiteral("::item:selected { background-color"));
    EXPECT_FALSE(grounds.contains(QStringLiteral("background")));
    EXPECT_FALSE(qApp->styleSheet().contains(QStringLiteral("QPushButton {")));
}

TEST_F(LookTest, ControlsTakeTheStyleColoursByKind)
{
    constexpr OleColour unset = 0xFFFFFFFF;
    constexpr OleColour yellow = rgbColour(255, 239, 178);
    // header: the bottom of the frame header; field: text and list boxes.
    const struct { int32_t mode, style; OleColour window, panel, header, field; } cases[] = {
        {0, 3, rgbColour(252, 252, 254), rgbColour(252, 252, 254), rgbColour(80, 80, 80), unset},
        {0, 20, kButtonFace, kButtonFace, rgbColour(80, 80, 80), unset},
        {1, 2, kButtonFace, rgbColour(240, 240, 240), rgbColour(80, 80, 80), unset},
        {1, 4, rgbColour(240, 240, 240), rgbColour(240, 240, 240), rgbColour(190, 210, 234), unset},
        {1, 10, rgbColour(191, 219, 255), rgbColour(191, 219, 255), rgbColour(190, 210, 234), unset},
        {1, 15, rgbColour(182, 182, 182), rgbColour(182, 182, 182), rgbColour(80, 80, 80), yellow},
        {1, 16, rgbColour(236, 233, 216), rgbColour(236, 233, 216), rgbColour(80, 80, 80), unset},
        {1, 17, rgbColour(238, 242, 245), rgbColour(238, 242, 245), rgbColour(154, 170, 187), yellow},
        {1, 20, kButtonFace, kButtonFace, rgbColour(80, 80, 80), unset}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " style " << c.style);
        StyleLook = c.style;
        Window w;
        LookFenetre(&w.window, c.mode);
        for (const QWidget* control : QWidgetList{w.check, w.picture, w.shape})
            EXPECT_EQ(backColour(control), c.window) << control->metaObject()->className();
        // Frames keep the panel colour, except in the pale styles.
        EXPECT_EQ(backColour(w.frame), c.field == unset ? c.panel : c.window);
        EXPECT_EQ(look::colourProperty(w.frame, "HeaderColorBottomLeft", 0), c.header);
        for (const QWidget* control : QWidgetList{w.text, w.list, w.combo})
            EXPECT_EQ(backColour(control), c.field) << control->metaObject()->className();
        EXPECT_EQ(backColour(w.combo->lineEdit()), unset);
        EXPECT_EQ(backColour(w.readOnly), kButtonShadow);
        EXPECT_EQ(backColour(w.buttons), rgbColour(64, 64, 64));
        EXPECT_FALSE(w.buttons->property("BorderStyle").isValid());
        EXPECT_EQ(w.dots->text(), QString());
        EXPECT_EQ(w.moreDots->text(), "....");
        EXPECT_EQ(w.tabs->currentIndex(), 0);
        EXPECT_EQ(w.tabs->property("Style").toInt(), c.style == 15 ? 36 : 0);
        w.window.show();
        const QImage shown = w.window.grab().toImage();
        const QColor face = w.window.palette().button().color(); // the only system colour in the table
        EXPECT_EQ(QColor(shown.pixel(125, 12)),
                  c.window == kButtonFace ? face : QColor(c.window & 0xFF, c.window >> 8 & 0xFF, c.window >> 16));
        EXPECT_EQ(QColor(shown.pixel(125, 44)) == QColor(255, 239, 178), c.field == yellow);
        testing::saveScreenshot(&w.window, QStringLiteral("LookFenetre_%1_%2").arg(c.mode).arg(c.style));
    }
}

} // namespace
} // namespace qn3::windows
