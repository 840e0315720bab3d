#include "engine/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace qn3::engine {

QIcon IconeProgramme()
{
    static const QIcon icon = [] {
        QIcon drawn;
        QSvgRenderer picture(QStringLiteral(":/icons/QN3_Tools_Vandrel.svg"));
        if (!picture.isValid())
            return drawn;
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
            QPixmap pixmap(side, side);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            picture.render(&painter);
            painter.end();
            drawn.addPixmap(pixmap);
        }
        return drawn;
    }();
    return icon;
}

} // namespace qn3::engine
