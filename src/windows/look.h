#pragma once

#include <cstdint>

class QWidget;

// The look every window shares: one of 21 styles chosen once while the main
// window loads, then each window dressed control by control.
//
// The controls' properties that Qt widgets lack are kept as dynamic
// properties of the same names ("BackColor", "Appearance", "BackStyle",
// "BorderStyle", "HeaderColorTopLeft" ...), colours as the controls hold
// them (see `OleColour`); a window may preset "BackColor" (a read-only text
// box on `kButtonShadow`, say) before it is dressed.
namespace qn3::windows {

// The style in force, 0 to 20 (20: no skin); 0 until InitGeneralLook ran.
inline int32_t StyleLook = 0;
// 0 or 1 by style; read by the main and settings windows when they lay out
// their bottom buttons.
inline int32_t ModeBordure = 0;

// -1 takes the stored choice (registry value "Style"); any other value is
// the style itself.
void InitGeneralLook(int32_t Style);
// Dresses every control of the window by its kind, name and the style.
void LookFenetre(QWidget* Feuille, int32_t Mode);

// A colour as the controls hold it: red | green << 8 | blue << 16, or a
// reference to a system colour (high bit set), which follows the desktop's
// colour scheme.
using OleColour = uint32_t;
constexpr OleColour rgbColour(int red, int green, int blue)
{
    return static_cast<OleColour>(red) | static_cast<OleColour>(green) << 8 | static_cast<OleColour>(blue) << 16;
}
inline constexpr OleColour kWindowBackground = 0x80000005u;
inline constexpr OleColour kButtonFace = 0x8000000Fu;
inline constexpr OleColour kButtonShadow = 0x80000010u;

} // namespace qn3::windows
