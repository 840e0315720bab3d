#pragma once

#include <QString>

class QColor;

namespace qn3::services {
class SkinComponent;
}

// Our skin engine: the skin component names a skin file and a colour scheme
// inside it, and the program is dressed with a Qt style sheet of our own for
// that pair. No skin file is read: the names only choose the sheet.
namespace qn3::windows {

// The style sheet of the skin `skinFile` (a path whose last part names the
// skin, "...\Office2007.cjstyles") with the scheme `iniName`, names compared
// without regard to case. Two empty names, or a pair we do not know, give
// the platform's own look, with only the focus and the default button marked.
QString skinStyleSheet(const QString& skinFile, const QString& iniName);

// The contrast between two colours, 1 to 21, as the accessibility
// guidelines (WCAG) measure it: 4.5 for text, 3 for a focus mark.
double contrastRatio(const QColor& a, const QColor& b);

// Makes the component dress the whole program with the sheet of the skin it
// loaded each time it is handed the main window, as the skin framework
// dresses every window of its process.
void InstallSkinEngine(services::SkinComponent& skins);

} // namespace qn3::windows
