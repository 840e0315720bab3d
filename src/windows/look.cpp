#include "windows/look.h"

#include <QWidget>

namespace qn3::windows {

void InitGeneralLook(int32_t Style)
{
    StyleLook = Style < 0 ? 15 : Style;
}

void LookFenetre(QWidget*, int32_t) {}

} // namespace qn3::windows
