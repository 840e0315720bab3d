#pragma once

#include "windows/look.h"

#include <QString>
#include <QVariant>

#include <vector>

class QWidget;

// The controls of a window as the look sees them: each Qt widget stands for
// one of the program's control kinds, and the look's settings become the
// widget's own style sheet.
namespace qn3::windows::look {

// The kind of control `widget` stands for: "CheckBox" (QCheckBox),
// "OptionButton" (QRadioButton), "TextBox" (line and text edits),
// "SftMask" (a line edit with an input mask), "ListBox" (list views),
// "ComboBox", "SftOptions" (tree views), "Label", "MyFrame" (group boxes),
// "SftTabs" (tab widgets), "ProgressBar", "DTPicker" (date and time edits),
// "Slider", "SftButton" (buttons), "Shape" (a plain frame whose name begins
// with "Shape"), "PictureBox" (any other plain frame or widget holding
// controls); "" for anything else.
QString kindOf(const QWidget* widget);

// Every control of the window, those inside frames, panels and tab pages
// included, in the window's own order; the parts Qt builds inside a control
// (a combo box's list, a tab widget's bar) are not controls.
std::vector<QWidget*> controlsOf(QWidget* window);

// The colour a control holds in `property`, or `fallback` when unset.
OleColour colourProperty(const QWidget* control, const char* property, OleColour fallback);
void setColourProperty(QWidget* control, const char* property, OleColour colour);

// Turns the look properties of the control into its style sheet.
void render(QWidget* control, const QString& kind);

// A colour as a style sheet writes it; system colours through the palette.
QString css(OleColour colour);

} // namespace qn3::windows::look
