#pragma once

class QCoreApplication;

namespace qn3::windows {

// Qt's own texts (a text field's context menu, the standard buttons of Qt's
// dialogs) in French like every other word of the program: Qt's French
// catalogue, "qtbase_fr" from Qt's translations folder, installed on
// `application` for as long as it lives. Call it before any window exists.
// False when the catalogue is missing or unreadable: Qt's texts then stay
// English and the program runs all the same.
bool InstallQtFrench(QCoreApplication& application);

} // namespace qn3::windows
