#include "windows/look_controls.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>

namespace qn3::windows::look {
namespace {

template <class T>
bool is(const QWidget* widget)
{
    return qobject_cast<const T*>(widget) != nullptr;
}

bool isMaskedEdit(const QWidget* widget)
{
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    return edit != nullptr && !edit->inputMask().isEmpty();
}

// In this order: a masked edit is a line edit, a check box a button.
struct KindRule {
    bool (*matches)(const QWidget*);
    const char16_t* kind;
};
constexpr KindRule kKindRules[] = {
    {is<QCheckBox>, u"CheckBox"},     {is<QRadioButton>, u"OptionButton"}, {is<QAbstractButton>, u"SftButton"},
    {isMaskedEdit, u"SftMask"},       {is<QLineEdit>, u"TextBox"},         {is<QTextEdit>, u"TextBox"},
    {is<QPlainTextEdit>, u"TextBox"}, {is<QListView>, u"ListBox"},         {is<QTreeView>, u"SftOptions"},
    {is<QComboBox>, u"ComboBox"},     {is<QLabel>, u"Label"},              {is<QGroupBox>, u"MyFrame"},
    {is<QTabWidget>, u"SftTabs"},     {is<QProgressBar>, u"ProgressBar"},  {is<QDateTimeEdit>, u"DTPicker"},
    {is<QSlider>, u"Slider"},
};

bool isPlainPanel(const QWidget* widget)
{
    const QMetaObject* meta = widget->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject;
}

// Controls that hold other controls; the parts Qt builds inside the other
// kinds (a spin box's edit, a scroll area's bars) are left alone.
bool holdsControls(const QWidget* widget, const QString& kind)
{
    if (kind == u"PictureBox" || kind == u"MyFrame")
        return true;
    return kind.isEmpty() && !is<QAbstractScrollArea>(widget) && !is<QAbstractSpinBox>(widget)
           && !is<QTabBar>(widget);
}

void collect(QWidget* parent, std::vector<QWidget*>& controls)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow())
            continue;
        const QString kind = kindOf(widget);
        if (!kind.isEmpty())
            controls.push_back(widget);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int page = 0; page < tabs->count(); ++page)
                collect(tabs->widget(page), controls);
        } else if (auto* area = qobject_cast<QScrollArea*>(widget)) {
            if (area->widget() != nullptr)
                collect(area->widget(), controls);
        } else if (holdsControls(widget, kind)) {
            collect(widget, controls);
        }
    }
}

// One widget's own rules: its exact class and, when it has one, its name
// (quoted, so any name will do), so the rules never reach the controls it holds.
QString selector(const QWidget* widget)
{
    QString name = QString::fromLatin1(widget->metaObject()->className());
    name = u'.' + name.replace(QStringLiteral("::"), QStringLiteral("--"));
    if (widget->objectName().isEmpty())
        return name;
    QString quoted = widget->objectName();
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return name + QStringLiteral("[objectName=\"%1\"]").arg(quoted);
}

bool has(const QWidget* control, const char* property)
{
    return control->property(property).isValid();
}

int intProperty(const QWidget* control, const char* property, int fallback)
{
    const QVariant value = control->property(property);
    return value.isValid() ? value.toInt() : fallback;
}

QString gradient(OleColour top, OleColour bottom)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)").arg(css(top), css(bottom));
}

QString backgroundRules(const QWidget* control, const QString& kind)
{
    QStringList rules;
    if (kind == u"SftMask" && has(control, "Caption.BackColor")
        && !control->property("Caption.transparent").toBool())
        rules << QStringLiteral("background-color: %1;").arg(css(colourProperty(control, "Caption.BackColor", 0)));
    else if (intProperty(control, "BackStyle", 1) == 0)
        rules << QStringLiteral("background: transparent;");
    else if (has(control, "BackColor"))
        rules << QStringLiteral("background-color: %1;").arg(css(colourProperty(control, "BackColor", 0)));
    if (has(control, "ForeColor"))
        rules << QStringLiteral("color: %1;").arg(css(colourProperty(control, "ForeColor", 0)));
    return rules.join(u' ');
}

// A flat control draws one thin line where the raised one had its 3-D edge,
// while it does not have the keyboard: the skin frames the focused one with
// two pixels, so the line keeps a pixel of room inside for it.
QString flatBorder(const QWidget* control)
{
    return intProperty(control, "Appearance", 1) == 0
               ? QStringLiteral("border: 1px solid rgb(122, 122, 122); padding: 1px;")
               : QString();
}

QString frameSheet(const QWidget* control, const QString& own)
{
    const QString self = selector(control);
    const int radius = 4;
    const bool left = control->property("CornerTopLeft").toBool();
    const bool right = control->property("CornerTopRight").toBool();
    QString sheet = QStringLiteral("%1 { %2").arg(self, own);
    if (intProperty(control, "BorderStyle", 0) == 1)
        sheet += QStringLiteral(" border: %1px solid %2;")
                     .arg(intProperty(control, "BorderWidth", 1))
                     .arg(css(colourProperty(control, "BorderColor", rgbColour(80, 80, 80))));
    sheet += QStringLiteral(" border-top-left-radius: %1px; border-top-right-radius: %2px;"
                            " border-bottom-left-radius: %3px; border-bottom-right-radius: %3px;"
                            " margin-top: 0; padding-top: 1.6em;")
                 .arg(left ? radius : 0)
                 .arg(right ? radius : 0)
                 .arg(radius);
    if (has(control, "FontName"))
        sheet += QStringLiteral(" font: %1 %2pt \"%3\";")
                     .arg(control->property("FontBold").toBool() ? QStringLiteral("bold") : QStringLiteral("normal"))
                     .arg(control->property("FontSize").toInt())
                     .arg(control->property("FontName").toString());
    sheet += QStringLiteral(" }");
    if (has(control, "HeaderColorTopLeft"))
        sheet += QStringLiteral(" %1::title { subcontrol-origin: border; subcontrol-position: top left;"
                                " padding: 2px 8px; background: %2; }")
                     .arg(self, gradient(colourProperty(control, "HeaderColorTopLeft", 0),
                                         colourProperty(control, "HeaderColorBottomLeft", 0)));
    return sheet;
}

// Tab style 22 is the flat document look; 36 rounded tabs, 38 square ones.
QString tabsSheet(QTabWidget* tabs, const QString& own)
{
    const int style = intProperty(tabs, "Style", 0);
    tabs->setDocumentMode(style == 22);
    tabs->tabBar()->setExpanding(tabs->property("Fixed").toBool());
    const QString self = selector(tabs);
    QString sheet;
    if (!own.isEmpty() || intProperty(tabs, "ClientAreaBorder", 0) == 1)
        sheet += QStringLiteral("%1::pane { %2%3 }")
                     .arg(self, own,
                          intProperty(tabs, "ClientAreaBorder", 0) == 1
                              ? QStringLiteral(" border: 1px solid rgb(128, 128, 128);")
                              : QString());
    if (!has(tabs, "BackColorStart"))
        return sheet;
    const int radius = style == 36 ? 6 : 0;
    sheet += QStringLiteral(" %1 > QTabBar::tab { background: %2; border: 1px solid rgb(150, 150, 150);"
                            " border-top-left-radius: %3px; border-top-right-radius: %3px; padding: 4px 12px; }")
                 .arg(self,
                      gradient(colourProperty(tabs, "BackColorStart", 0), colourProperty(tabs, "BackColorEnd", 0)))
                 .arg(radius);
    sheet += QStringLiteral(" %1 > QTabBar::tab:selected { background: %2;%3 }")
                 .arg(self,
                      gradient(colourProperty(tabs, "BackColorActiveStart", 0),
                               colourProperty(tabs, "BackColorActiveEnd", 0)),
                      tabs->property("BoldActive").toBool() ? QStringLiteral(" font-weight: bold;") : QString());
    return sheet;
}

} // namespace

QString kindOf(const QWidget* widget)
{
    for (const KindRule& rule : kKindRules) {
        if (rule.matches(widget))
            return QString::fromUtf16(rule.kind);
    }
    if (isPlainPanel(widget))
        return widget->objectName().startsWith(QStringLiteral("Shape")) ? QStringLiteral("Shape")
                                                                         : QStringLiteral("PictureBox");
    return {};
}

std::vector<QWidget*> controlsOf(QWidget* window)
{
    std::vector<QWidget*> controls;
    if (window != nullptr)
        collect(window, controls);
    return controls;
}

OleColour colourProperty(const QWidget* control, const char* property, OleColour fallback)
{
    const QVariant value = control->property(property);
    return value.isValid() ? static_cast<OleColour>(value.toUInt()) : fallback;
}

void setColourProperty(QWidget* control, const char* property, OleColour colour)
{
    control->setProperty(property, QVariant::fromValue<uint>(colour));
}

QString css(OleColour colour)
{
    if ((colour & 0x80000000u) == 0)
        return QStringLiteral("rgb(%1, %2, %3)").arg(colour & 0xFF).arg(colour >> 8 & 0xFF).arg(colour >> 16 & 0xFF);
    switch (colour) {
    case kWindowBackground: return QStringLiteral("palette(base)");
    case kButtonShadow: return QStringLiteral("palette(dark)");
    case 0x80000008u: return QStringLiteral("palette(text)");
    case 0x80000012u: return QStringLiteral("palette(button-text)");
    default: return QStringLiteral("palette(button)");
    }
}

void render(QWidget* control, const QString& kind)
{
    const QString own = backgroundRules(control, kind);
    QString sheet;
    if (kind == u"MyFrame") {
        sheet = frameSheet(control, own);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        sheet = tabsSheet(tabs, own);
    } else {
        QString rules = own;
        if (kind == u"ProgressBar" && intProperty(control, "BorderStyle", 1) == 0)
            rules += QStringLiteral(" border: none;");
        if (!rules.isEmpty())
            sheet = QStringLiteral("%1 { %2 }").arg(selector(control), rules.trimmed());
        if (kind == u"TextBox" || kind == u"ListBox" || kind == u"ComboBox") {
            if (const QString flat = flatBorder(control); !flat.isEmpty())
                sheet += QStringLiteral(" %1:!focus { %2 }").arg(selector(control), flat);
        }
    }
    // A plain panel paints a style-sheet background only when asked to.
    if (kind == u"PictureBox" || kind == u"Shape")
        control->setAttribute(Qt::WA_StyledBackground, has(control, "BackColor"));
    // The window's own rules for the control stay in front of the look's.
    static const char* const kOwnSheet = "LookOwnStyleSheet";
    if (sheet.isEmpty() && !has(control, kOwnSheet))
        return;
    if (!has(control, kOwnSheet))
        control->setProperty(kOwnSheet, control->styleSheet());
    const QString ownSheet = control->property(kOwnSheet).toString();
    control->setStyleSheet(ownSheet.isEmpty() ? sheet : ownSheet + u'\n' + sheet);
}

} // namespace qn3::windows::look
