#include "windows/frm_msgbox.h"

#include "services/clocks.h"
#include "services/shared_values.h"
#include "services/trace_log.h"
#include "services/trap.h"
#include "windows/box_support.h"
#include "windows/look.h"
#include "windows/twips.h"
#include "windows/window_helpers.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace qn3::windows {
namespace {

// Design values of the window, in twips.
constexpr int kDesignWidth = 4500;
constexpr int kDesignHeight = 4005;
constexpr int kLineLeft = 120;
constexpr int kLineLeftBesideIcon = 840;
constexpr int kFirstLineTop = 300;
constexpr int kLinePitch = 240;
constexpr int kIconMargin = 250;
constexpr int kIconSize = 480;
constexpr int kButtonHeight = 345;
constexpr int kMinButtonWidth = 1100;
constexpr int kMaxButtonWidth = 3000;

// Only one ChoiceBox waits at a time: a second call during the wait (from a
// timer, say) is refused rather than stacked.
bool ChoixEnCours = false;

Qt::Alignment alignmentOf(int32_t code)
{
    switch (code) {
    case 1: return Qt::AlignRight | Qt::AlignVCenter;
    case 2: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Auto-size: a line is as wide as its text.
void setLine(QLabel* label, const QString& text, int32_t alignment)
{
    label->setText(text);
    label->setAlignment(alignmentOf(alignment));
    label->setVisible(true);
    label->ensurePolished();
    const QFont& font = label->font();
    placeTwips(label, twips(label, "Left"), twips(label, "Top"), textWidthTwips(font, text, false),
               pixelsToTwips(QFontMetrics(font).height()));
}

} // namespace

FrmMsgBox::FrmMsgBox(QWidget* owner)
    : TopmostBox(owner)
{
    setObjectName(QStringLiteral("FrmMsgBox"));
    resizeWindowTwips(this, kDesignWidth, kDesignHeight);

    for (int i = 0; i < kLines; ++i) {
        auto* label = new QLabel(this);
        setElement(label, QStringLiteral("LabelMsg"), i);
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TranslucentBackground);
        placeTwips(label, kLineLeft, kFirstLineTop + i * kLinePitch, 0, kLinePitch);
        label->hide();
    }
    for (int i = 0; i < kLines; ++i)
        LabelMsg[i] = element<QLabel>(this, QStringLiteral("LabelMsg"), i);

    auto* first = new QPushButton(this);
    setElement(first, QStringLiteral("BtnMsgBox"), 0);
    placeTwips(first, 2940, 3180, 1380, kButtonHeight);
    BtnMsgBox.append(first);
    connect(first, &QPushButton::clicked, this, [this] { choose(1); });

    ImageIcone = new QLabel(this);
    ImageIcone->setObjectName(QStringLiteral("ImageIcone"));
    ImageIcone->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    placeTwips(ImageIcone, 180, 240, kIconSize, kIconSize);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &FrmMsgBox::timeLimitCheck);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    LookFenetre(this, 1);
    PositionFeuille(this, suffix_);
}

void FrmMsgBox::setNextAnswer(int32_t button)
{
    nextAnswer_ = button;
}

int FrmMsgBox::layoutLines(const QString& message, int32_t alignment)
{
    const QFont arial(QStringLiteral("Arial"), 10);
    int n = 1;
    qsizetype position = 0;
    for (;;) {
        QLabel* label = LabelMsg[n - 1];
        label->setFont(arial);
        const qsizetype lineFeed = message.indexOf(u'\n', position);
        if (lineFeed < 0)
            break;
        setLine(label, message.mid(position, lineFeed - position), alignment);
        if (n == kLines)
            return n;
        position = lineFeed + 1;
        ++n;
    }
    setLine(LabelMsg[n - 1], message.mid(position), alignment);
    return n;
}

// Returns whether the value is one of the four that lay the text out beside
// an icon; any other non-zero value shows the design picture only.
bool FrmMsgBox::showIcon(int32_t noIcone)
{
    ImageIcone->hide();
    if (noIcone == 0)
        return false;
    ImageIcone->show();
    QStyle::StandardPixmap picture;
    switch (noIcone) {
    case 16: picture = QStyle::SP_MessageBoxCritical; break;
    case 48: picture = QStyle::SP_MessageBoxWarning; break;
    case 64: picture = QStyle::SP_MessageBoxInformation; break;
    case 32: picture = QStyle::SP_MessageBoxQuestion; break;
    default: return false;
    }
    ImageIcone->setPixmap(style()->standardIcon(picture).pixmap(32, 32));
    return true;
}

// Lines one under the other (beside the icon when there is one), the icon
// level with the middle line; returns the buttons' top.
int FrmMsgBox::layoutVertically(int lines, bool icon)
{
    const int left = icon ? kLineLeftBesideIcon : kLineLeft;
    int top = twips(LabelMsg[0], "Top") + (icon ? kIconMargin / 2 : 0);
    for (int i = 0; i < kLines && (i == 0 || !LabelMsg[i]->isHidden()); ++i) {
        if (i > 0)
            top += kLinePitch;
        placeTwips(LabelMsg[i], left, top, twips(LabelMsg[i], "Width"), twips(LabelMsg[i], "Height"));
    }
    const int buttonsTop = std::max(1200, top + 720);
    placeTwips(BtnMsgBox[0], twips(BtnMsgBox[0], "Left"), buttonsTop, twips(BtnMsgBox[0], "Width"), kButtonHeight);

    if (icon) {
        int iconTop = 240;
        if (lines >= 2) {
            // n / 2 rounded half to even: 2 -> 1, 3 -> 2, 5 -> 2, 7 -> 4, 9 -> 4.
            const int k = static_cast<int>(std::lrint(lines / 2.0));
            iconTop = std::max(0, twips(LabelMsg[k], "Top") - kIconSize / 2);
        }
        placeTwips(ImageIcone, 120, iconTop, kIconSize, kIconSize);
    }
    return buttonsTop;
}

// One width for all buttons, set by the widest caption; the row is laid out
// from the right edge of a window widened for the text, title and buttons.
void FrmMsgBox::layoutButtons(const QStringList& captions, const QString& title, int32_t defaultButton)
{
    QPushButton* first = BtnMsgBox[0];
    const QFont buttonFont = first->font();
    int widest = 0;
    for (const QString& caption : captions)
        widest = std::max(widest, textWidthTwips(buttonFont, caption, true));
    const int width = std::clamp(widest + 400, kMinButtonWidth, kMaxButtonWidth);

    const int top = twips(first, "Top");
    for (qsizetype k = 0; k < captions.size(); ++k) {
        if (k >= BtnMsgBox.size()) {
            auto* button = new QPushButton(this);
            setElement(button, QStringLiteral("BtnMsgBox"), static_cast<int>(k));
            button->setFont(buttonFont);
            const auto number = static_cast<int32_t>(k + 1);
            connect(button, &QPushButton::clicked, this, [this, number] { choose(number); });
            BtnMsgBox.append(button);
            button->show();
        }
        BtnMsgBox[k]->setText(captions[k]);
        placeTwips(BtnMsgBox[k], twips(BtnMsgBox[k], "Left"), top, width, kButtonHeight);
    }

    int textWidth = 0;
    for (int i = 0; i < kLines && (i == 0 || !LabelMsg[i]->isHidden()); ++i)
        textWidth = std::max(textWidth, twips(LabelMsg[i], "Width"));
    textWidth = std::max(textWidth, textWidthTwips(font(), title, true) + 1000);

    const int buttons = static_cast<int>(captions.size());
    const int left = twips(LabelMsg[0], "Left");
    int windowWidth = left + textWidth + 400 < width * buttons + 400 ? width * buttons + 400 + 1000
                                                                     : left + textWidth + 400 + 400;
    windowWidth = std::max(windowWidth, kDesignWidth);
    // The title bar shows the caption whole in the frame the window manager draws.
    windowWidth = std::max(windowWidth, pixelsToTwips(captionWidthPixels(windowTitle(), windowFrame(this))));
    if (windowWidth > twips(this, "Width"))
        resizeWindowTwips(this, windowWidth, twips(this, "Height"));

    int buttonLeft = twips(this, "Width") - 120;
    for (int k = buttons - 1; k >= 0; --k) {
        buttonLeft -= width + (k == buttons - 1 ? 240 : 120);
        placeTwips(BtnMsgBox[k], buttonLeft, top, width, kButtonHeight);
    }

    if (defaultButton >= 1 && defaultButton <= buttons) {
        BtnMsgBox[defaultButton - 1]->setDefault(true);
        BtnMsgBox[defaultButton - 1]->setFocus();
    }
}

int32_t ChoiceBox(const QString& Message, const QStringList& TexteBouton, QWidget* FeuillePropritaire,
                  const QString& TitreDeLaFenetre, float* XPos, float* YPos, int32_t AlignementDuTexte,
                  int32_t DefaultButton, int32_t DureeMaximum, int32_t NoIcone, bool NoWait, int16_t NoZone)
{
    if (ChoixEnCours)
        return 0;
    ChoixEnCours = true;
    const int32_t id = ++CompteurMsgBox;
    int32_t answer = 0;

    services::Trap trap(u"Frm_MsgBox:ChoiceBox");
    QPointer<FrmMsgBox> box;
    // A box without captions could never be closed: it gets one "Ok".
    const QStringList captions = TexteBouton.isEmpty() ? QStringList{QStringLiteral("Ok")} : TexteBouton;
    trap([&] {
        box = new FrmMsgBox(FeuillePropritaire);
        box->id_ = id;
        box->noZone_ = NoZone;
    });
    if (box) {
        int lines = 1;
        bool icon = false;
        int buttonsTop = 1200;
        trap([&] { lines = box->layoutLines(Message, AlignementDuTexte); });
        trap([&] {
            box->setWindowTitle(TitreDeLaFenetre.isEmpty() ? QCoreApplication::applicationName() : TitreDeLaFenetre);
        });
        trap([&] { icon = box->showIcon(NoIcone); });
        trap([&] { buttonsTop = box->layoutVertically(lines, icon); });
        trap([&] {
            const int height = buttonsTop + kButtonHeight + (services::ThemeActif != 0 ? 680 : 580);
            const int width = twips(box, "Width");
            resizeWindowTwips(box, width, height);
            const ScreenTwips screen = screenTwips(box);
            float x = XPos != nullptr ? *XPos : -1.0F;
            float y = YPos != nullptr ? *YPos : -1.0F;
            if (x < 0)
                x = static_cast<float>(screen.width - width) / 2;
            if (y < 0)
                y = static_cast<float>(screen.height - height) / 2;
            if (XPos != nullptr)
                *XPos = x;
            if (YPos != nullptr)
                *YPos = y;
            moveWindowTwips(box, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
        });
        trap([&] { box->layoutButtons(captions, TitreDeLaFenetre, DefaultButton); });
        // A close box that would answer nothing is not offered.
        trap([&] { setCloseBox(box, box->closeAnswer() > 0); });
        trap([&] {
            if (DureeMaximum > 0) {
                box->HeureLimite = services::GetTickCount64() + DureeMaximum;
                box->timerButton_ = DefaultButton;
                box->Timer1->start();
            }
        });
    }
    trap([&] {
        services::TraceLogEncadre(NoZone, -1, -1,
                                  QStringLiteral("MsgBox: ") + Message + QStringLiteral(" |Id:") + QString::number(id),
                                  QStringLiteral("*"), false);
    });
    trap([&] {
        if (box) {
            box->show();
            box->activateWindow();
        }
    });
    if (!NoWait && box) {
        trap([&] { AfficherMessageBoxOuInputBox(-1); });
        trap([&] {
            box->ReponseChoisie = 0;
            answer = waitUntilFinished(box, 0, [waited = box] {
                if (waited && FrmMsgBox::nextAnswer_) {
                    const int32_t next = *FrmMsgBox::nextAnswer_;
                    FrmMsgBox::nextAnswer_.reset();
                    waited->choose(next);
                }
            });
        });
        trap([&] { AfficherMessageBoxOuInputBox(0); });
    }
    ChoixEnCours = false;
    return answer;
}

void FrmMsgBox::choose(int32_t button)
{
    ReponseChoisie = button;
    done(button);
}

void FrmMsgBox::timeLimitCheck()
{
    if (services::GetTickCount64() < HeureLimite)
        return;
    // A default that names no button answers nothing: the box just closes.
    choose(timerButton_ >= 1 && timerButton_ <= BtnMsgBox.size() ? timerButton_ : 0);
}

// The answer of a box closed by its close box is its first "Annuler", else
// "Abandonner", "Non", "Ok" (exact captions); without one it stays open.
int32_t FrmMsgBox::closeAnswer() const
{
    for (const QStringView caption : {u"Annuler", u"Abandonner", u"Non", u"Ok"}) {
        for (qsizetype k = 0; k < BtnMsgBox.size(); ++k) {
            if (BtnMsgBox[k]->text() == caption)
                return static_cast<int32_t>(k + 1);
        }
    }
    return 0;
}

void FrmMsgBox::reject()
{
    services::Trap trap(u"Frm_MsgBox:Form_QueryUnload");
    trap([&] {
        if (const int32_t answer = closeAnswer(); answer > 0)
            choose(answer);
    });
}

void FrmMsgBox::done(int answer)
{
    if (closed_)
        return;
    closed_ = true;
    Timer1->stop();
    // The box's own Id: with a box left open without waiting, the counter
    // may already belong to a later box.
    const QString closing = QStringLiteral("MsgBox: Id:") + QString::number(id_) + QStringLiteral(" closed");
    services::TraceLog(noZone_, -1, -1, closing, false, true);
    PositionFeuilleSauvegarde(this, suffix_);
    QDialog::done(answer);
}

} // namespace qn3::windows
