#include "windows/frm_msg.h"

#include "services/trap.h"
#include "windows/twips.h"
#include "windows/window_helpers.h"

#include <QApplication>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QScreen>

namespace qn3::windows {
namespace {

constexpr int kWidthTwips = 5400;
constexpr int kHeightTwips = 1125;
constexpr int kCornerPixels = 24;
const QString kWaitText = QStringLiteral("Patientez S.V.P.");

// A guarded pointer: the application may delete the window at its own end.
QPointer<FrmMsg>& slot()
{
    static QPointer<FrmMsg> window;
    return window;
}

QPixmap gradientPicture()
{
    QPixmap picture(512, 78);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, picture.height());
    gradient.setColorAt(0, QColor(216, 216, 216));
    gradient.setColorAt(1, Qt::black);
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

// Arial as designed, else a face of the same widths, else a narrow one; a
// wider face is made smaller until the text fits the designed width.
QFont designFont(const QString& text, double pointSize, bool bold, int widthTwips)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setBold(bold);
    font.setPointSizeF(pointSize);
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > twipsToPixels(widthTwips))
        font.setPointSizeF(font.pointSizeF() - 0.75);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, double pointSize, bool bold, const QColor& colour,
                  int leftTwips, int topTwips, int widthTwips)
{
    auto* label = new QLabel(text, parent);
    label->setFont(designFont(text, pointSize, bold, widthTwips));
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: %1; }").arg(colour.name()));
    label->move(twipsToPixels(leftTwips), twipsToPixels(topTwips));
    label->adjustSize();
    return label;
}

} // namespace

FrmMsg& FrmMsg::instance()
{
    if (slot().isNull())
        slot() = new FrmMsg;
    return *slot();
}

bool FrmMsg::exists()
{
    return !slot().isNull();
}

void FrmMsg::destroyInstance()
{
    delete slot().data();
}

FrmMsg::FrmMsg() : background_(gradientPicture())
{
    setObjectName(QStringLiteral("FrmMsg"));
    setWindowTitle(QStringLiteral("Quillon"));
    // A splash window has neither frame nor task-bar button.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

    // The black copy lies 45 twips lower and further right, under the white one.
    LabelPatientez[1] = makeLabel(this, kWaitText, 27.75, true, Qt::black, 675, 105, 4170);
    LabelPatientez[0] = makeLabel(this, kWaitText, 27.75, true, Qt::white, 630, 60, 4170);
    for (int i = 0; i < 2; ++i) {
        LabelPatientez[i]->setObjectName(QStringLiteral("LabelPatientez"));
        LabelPatientez[i]->setProperty("Index", i);
    }

    // The phase names grow to the right of a fixed left edge, so the label
    // reaches the window's edge and shows its text from its left.
    LabelMsgInit = makeLabel(this, QStringLiteral("Quillon"), 8.25, false, Qt::white, 2280, 900, 855);
    LabelMsgInit->setObjectName(QStringLiteral("LabelMsgInit"));
    LabelMsgInit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelMsgInit->resize(width() - LabelMsgInit->x(), LabelMsgInit->height());

    Form_Load();
    qApp->installEventFilter(this);
}

void FrmMsg::Form_Load()
{
    services::Trap trap(u"FrmMsg:Form_Load");
    trap([&] { setWindowFlag(Qt::WindowStaysOnTopHint, true); });
    trap([&] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const int screenWidth = screen != nullptr ? pixelsToTwips(screen->geometry().width()) : 0;
        move(twipsToPixels(screenWidth / 2 - kWidthTwips / 2), 0);
    });
    trap([&] {
        // The region follows the outer size, which is the client area for a
        // window without border.
        QPainterPath outline;
        outline.addRoundedRect(QRectF(0, 0, width(), height()), kCornerPixels / 2.0, kCornerPixels / 2.0);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
    });
}

bool FrmMsg::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
        && watched != this && static_cast<QWidget*>(watched)->isWindow())
        followDialogs();
    return false;
}

void FrmMsg::followDialogs()
{
    bool dialogShown = false;
    for (const QWidget* window : QApplication::topLevelWidgets())
        dialogShown = dialogShown
                      || (window != this && window->isVisible()
                          && (window->windowType() == Qt::Dialog || window->isModal()));
    if (dialogShown == !windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    setStaysOnTop(this, !dialogShown);
    if (dialogShown)
        lower();
}

void FrmMsg::paintEvent(QPaintEvent*)
{
    // The picture is drawn as designed, unscaled from the top-left corner.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawPixmap(0, 0, background_);
}

} // namespace qn3::windows
