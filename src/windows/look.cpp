#include "windows/look.h"

#include "platform/registry_store.h"
#include "services/formats.h"
#include "services/path_names.h"
#include "services/registry_access.h"
#include "services/shared_values.h"
#include "services/trap.h"
#include "services/window_members.h"
#include "windows/look_controls.h"
#include "windows/window_required.h"

#include <QLabel>
#include <QTabWidget>
#include <QWidget>

#include <array>

namespace qn3::windows {
namespace {

const QString kLookKey = QStringLiteral("Software\\Sonvarek\\Quillon\\Look");
const QString kStyleValue = QStringLiteral("Style");
constexpr int32_t kDefaultStyle = 15;
constexpr int32_t kNoSkin = 20;
constexpr OleColour kPaleYellow = rgbColour(255, 239, 178);

struct Skin {
    const char16_t* filePart;
    const char16_t* ini;
    int32_t modeBordure;
};

// By style; the last one loads no skin.
constexpr std::array<Skin, 21> kSkins{{
    {u"\\Vista.cjstyles", u"NormalBlack.ini", 0},
    {u"\\Vista.cjstyles", u"NormalBlack2.ini", 0},
    {u"\\Vista.cjstyles", u"NormalBlue.ini", 0},
    {u"\\Vista.cjstyles", u"NormalSilver.ini", 0},
    {u"\\WinXP.Royale.cjstyles", u"NormalRoyale.ini", 1},
    {u"\\WinXP.Luna.cjstyles", u"NormalBlue.ini", 1},
    {u"\\WinXP.Luna.cjstyles", u"NormalHomeStead.ini", 1},
    {u"\\WinXP.Luna.cjstyles", u"NormalMetallic.ini", 1},
    {u"\\Codejock.cjstyles", u"NormalBlue.ini", 1},
    {u"\\Codejock.cjstyles", u"NormalBlack.ini", 1},
    {u"\\Office2007.cjstyles", u"NormalVistaBlue.ini", 1},
    {u"\\Office2007.cjstyles", u"LightBlue.ini", 1},
    {u"\\Office2007.cjstyles", u"NormalAqua.ini", 1},
    {u"\\Office2007.cjstyles", u"NormalVistaSilver.ini", 1},
    {u"\\Office2007.cjstyles", u"NormalBlack.ini", 1},
    {u"\\iTunes", u"Normalitunes.ini", 0},
    {u"\\Le5", u"NormalBlue.ini", 1},
    {u"\\Thallos.cjstyles", u"NormalThallos.ini", 1},
    {u"\\Tiger.cjstyles", u"NormalAppleB.ini", 0},
    {u"\\Tiger.cjstyles", u"NormalAppleG.ini", 0},
    {u"", u"", 1},
}};

struct Colours {
    OleColour window;
    OleColour panel;
};

Colours coloursFor(int32_t mode, int32_t style)
{
    if (mode == 0)
        return style == kNoSkin ? Colours{kButtonFace, kButtonFace}
                                : Colours{rgbColour(252, 252, 254), rgbColour(252, 252, 254)};
    const auto both = [](OleColour colour) { return Colours{colour, colour}; };
    switch (style) {
    case 0: case 1: case 2: case 3: return {kButtonFace, rgbColour(240, 240, 240)};
    case 4: case 18: case 19: return both(rgbColour(240, 240, 240));
    case 5: case 6: case 16: return both(rgbColour(236, 233, 216));
    case 7: return both(rgbColour(224, 223, 227));
    case 8: return both(rgbColour(235, 235, 228));
    case 9: return both(rgbColour(232, 232, 232));
    case 10: return both(rgbColour(191, 219, 255));
    case 11: return both(rgbColour(227, 239, 255));
    case 12: return both(rgbColour(237, 237, 237));
    case 13: return both(rgbColour(238, 238, 244));
    case 14: return both(rgbColour(235, 235, 235));
    case 15: return both(rgbColour(182, 182, 182));
    case 17: return both(rgbColour(238, 242, 245));
    default: return both(kButtonFace);
    }
}

struct FrameColours {
    OleColour headerTop;
    OleColour headerBottom;
    OleColour border;
};

FrameColours frameColoursFor(int32_t style)
{
    switch (style) {
    case 4: return {rgbColour(242, 247, 255), rgbColour(190, 210, 234), rgbColour(190, 210, 234)};
    case 10: case 11: return {rgbColour(242, 247, 255), rgbColour(190, 210, 234), rgbColour(80, 80, 80)};
    case 17: return {rgbColour(197, 206, 217), rgbColour(154, 170, 187), rgbColour(154, 170, 187)};
    default: return {rgbColour(252, 252, 254), rgbColour(80, 80, 80), rgbColour(80, 80, 80)};
    }
}

bool paleStyle()
{
    return StyleLook == 15 || StyleLook == 17;
}

// The settings of a frame panel, before its kind's own ones.
void dressFrame(QWidget* frame, OleColour panel)
{
    using look::setColourProperty;
    setColourProperty(frame, "MaskColor", 0);
    setColourProperty(frame, "BackgroundMaskColor", 0);
    if (frame->property("Appearance").toInt() != 4 || frame->property("AppearanceThemes").toInt() != 3) {
        frame->setProperty("Appearance", 0);
        frame->setProperty("AppearanceThemes", 3);
    }
    frame->setProperty("CornerTopLeft", false);
    frame->setProperty("CornerTopRight", false);
    setColourProperty(frame, "ForeColor", 0);
    const bool pointers = frame->objectName() == u"MyFramePointeurs";
    frame->setProperty("FontName", pointers ? QStringLiteral("Arial Rounded MT Bold") : QStringLiteral("Arial"));
    frame->setProperty("FontBold", true);
    frame->setProperty("FontSize", pointers ? 16 : 8);
    frame->setProperty("BorderWidth", 1);
    frame->setProperty("BorderStyle", 1);
    const FrameColours colours = frameColoursFor(StyleLook);
    for (const char* corner : {"HeaderColorTopLeft", "HeaderColorTopRight"})
        setColourProperty(frame, corner, colours.headerTop);
    for (const char* corner : {"HeaderColorBottomLeft", "HeaderColorBottomRight"})
        setColourProperty(frame, corner, colours.headerBottom);
    setColourProperty(frame, "BorderColor", colours.border);
    setColourProperty(frame, "BackColor", panel);
}

void dressTabs(QTabWidget* tabs, OleColour window)
{
    using look::setColourProperty;
    tabs->setCurrentIndex(0);
    const QString name = tabs->objectName();
    const bool named = name == u"SftTabsImport" || name == u"SftTabsMorceau" || name == u"SftTabsArtiste";
    if (StyleLook != 15) {
        if (named)
            tabs->setProperty("Style", 22);
        return;
    }
    tabs->setProperty("UseThemes", false);
    tabs->setProperty("Style", named ? 38 : 36);
    tabs->setProperty("BoldActive", true);
    tabs->setProperty("Fixed", false);
    tabs->setProperty("ClientAreaBorder", 1);
    if (name == u"SftTabsDonnees" || name == u"SftTabsRecherche")
        setColourProperty(tabs, "BackColor", window);
    // Every tab takes the same colours, so they are held once, on the control.
    setColourProperty(tabs, "BackColorStart", rgbColour(225, 225, 225));
    setColourProperty(tabs, "BackColorEnd", window);
    setColourProperty(tabs, "BackColorActiveStart", rgbColour(195, 221, 245));
    setColourProperty(tabs, "BackColorActiveEnd", rgbColour(119, 190, 242));
    setColourProperty(tabs, "BackColorActive", rgbColour(119, 190, 242));
}

void dressByKind(QWidget* control, const QString& kind, OleColour window)
{
    using look::colourProperty;
    using look::setColourProperty;
    if (kind == u"SftTabs") {
        dressTabs(static_cast<QTabWidget*>(control), window);
    } else if (kind == u"CheckBox" || kind == u"OptionButton") {
        setColourProperty(control, "BackColor", window);
    } else if (kind == u"PictureBox") {
        if (colourProperty(control, "BackColor", kButtonFace) == kWindowBackground)
            setColourProperty(control, "BackColor", window);
    } else if (kind == u"TextBox") {
        control->setProperty("Appearance", 0);
        if (paleStyle() && colourProperty(control, "BackColor", kWindowBackground) != kButtonShadow)
            setColourProperty(control, "BackColor", kPaleYellow);
    } else if (kind == u"ListBox" || kind == u"ComboBox") {
        control->setProperty("Appearance", 0);
        if (paleStyle())
            setColourProperty(control, "BackColor", kPaleYellow);
    } else if (kind == u"SftOptions") {
        if (paleStyle())
            setColourProperty(control, "BackColor", kPaleYellow);
    } else if (kind == u"Label") {
        control->setProperty("BackStyle", 0);
        auto* label = static_cast<QLabel*>(control);
        if (label->text() == u"...")
            label->clear();
    } else if (kind == u"MyFrame") {
        if (control->objectName() == u"MyFramePtxBtn")
            setColourProperty(control, "BackColor", rgbColour(64, 64, 64));
        else if (paleStyle())
            setColourProperty(control, "BackColor", window);
    } else if (kind == u"ProgressBar") {
        control->setProperty("BorderStyle", 0);
    } else if (kind == u"Shape") {
        if (control->objectName().left(9) == u"ShapeFond")
            setColourProperty(control, "BackColor", window);
    } else if (kind == u"SftMask") {
        control->setProperty("Caption.transparent", false);
        setColourProperty(control, "Caption.BackColor", window);
    }
}

} // namespace

void InitGeneralLook(int32_t Style)
{
    services::Trap trap(u"Lib_Look:InitGeneralLook");
    int32_t style = Style;
    trap([&] {
        if (Style != -1)
            return;
        QString stored;
        services::Reg_GetValue(platform::HKEY_LOCAL_MACHINE, kLookKey, kStyleValue, stored);
        if (stored.count(u' ') == stored.size()) {
            style = kDefaultStyle;
            services::Reg_SetValue(platform::HKEY_LOCAL_MACHINE, kLookKey, kStyleValue, QString::number(style), 1);
        } else {
            style = services::CLng(services::Val(stored));
        }
    });
    services::SkinComponent& skins = services::Frm_Main().SkinFramework;
    QString folder;
    trap([&] { folder = services::CheckRep(services::RepApplication) + QStringLiteral("Settings\\Skins\\Styles"); });
    trap([&] { skins.LoadSkinsFolder(folder, true); });
    trap([&] {
        if (style < 0 || style >= static_cast<int32_t>(kSkins.size()))
            return;
        const Skin& skin = kSkins[static_cast<size_t>(style)];
        if (style == kNoSkin)
            skins.LoadSkin(QString(), QString());
        else
            skins.LoadSkin(folder + QString::fromUtf16(skin.filePart), QString::fromUtf16(skin.ini));
        StyleLook = style;
        ModeBordure = skin.modeBordure;
    });
    trap([&] { skins.ApplyWindow(services::Frm_Main().hWnd); });
    trap([&] { skins.ApplyOptions = skins.ApplyOptions | 1; });
}

void LookFenetre(QWidget* Feuille, int32_t Mode)
{
    services::Trap trap(u"Lib_Look:LookFenetre");
    if (!trap([&] { requireWindow(Feuille); }))
        return;
    const Colours colours = coloursFor(Mode, StyleLook);
    std::vector<QWidget*> controls;
    trap([&] { controls = look::controlsOf(Feuille); });
    std::vector<QString> kinds;
    for (QWidget* control : controls)
        kinds.push_back(look::kindOf(control));

    for (size_t i = 0; i < controls.size(); ++i) {
        if (kinds[i] == u"MyFrame" && controls[i]->objectName() != u"MyFramePtxBtn")
            trap([&] { dressFrame(controls[i], colours.panel); });
    }
    for (size_t i = 0; i < controls.size(); ++i)
        trap([&] { dressByKind(controls[i], kinds[i], colours.window); });
    for (size_t i = 0; i < controls.size(); ++i)
        trap([&] { look::render(controls[i], kinds[i]); });
}

} // namespace qn3::windows
