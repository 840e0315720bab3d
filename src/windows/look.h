#pragma once

#include <cstdint>

class QWidget;

// The look every window shares: one of 21 styles chosen once while the main
// window loads, then each window dressed control by control.
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

} // namespace qn3::windows
