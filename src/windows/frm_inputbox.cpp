#include "windows/frm_inputbox.h"

#include "services/trap.h"
#include "windows/box_support.h"
#include "windows/look.h"
#include "windows/twips.h"
#include "windows/window_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace qn3::windows {
namespace {

constexpr int kClientWidth = 7410;
constexpr int kClientHeight = 1740;
constexpr int kLabelTops[FrmInputBox::kPromptLines] = {120, 480, 900};

} // namespace

FrmInputBox::FrmInputBox(QWidget* owner)
    : TopmostBox(owner)
{
    setObjectName(QStringLiteral("FrmInputBox"));
    setWindowTitle(QStringLiteral("Saisie"));
    resizeWindowTwips(this, kClientWidth + kFrameWidthTwips, kClientHeight + kFrameHeightTwips);

    for (int i = 0; i < kPromptLines; ++i) {
        auto* label = new QLabel(QStringLiteral("Saisissez l'information ici"), this);
        setElement(label, QStringLiteral("LabelInputBox"), i);
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TranslucentBackground);
        placeTwips(label, 120, kLabelTops[i], 1710, 195);
        LabelInputBox[i] = label;
    }
    TexteSaisie = new QLineEdit(this);
    TexteSaisie->setObjectName(QStringLiteral("TexteSaisie"));
    placeTwips(TexteSaisie, 60, 1380, 7275, 285);

    CmdValider = new QPushButton(QStringLiteral("OK"), this);
    CmdValider->setObjectName(QStringLiteral("CmdValider"));
    placeTwips(CmdValider, 6480, 60, 855, 375);
    CmdValider->setDefault(true);
    CmdAbandonner = new QPushButton(QStringLiteral("Annuler"), this);
    CmdAbandonner->setObjectName(QStringLiteral("CmdAbandonner"));
    placeTwips(CmdAbandonner, 6480, 540, 855, 375);
    // Enter anywhere presses OK, even with Annuler focused.
    CmdAbandonner->setAutoDefault(false);

    connect(CmdValider, &QPushButton::clicked, this, [this] {
        EtatSaisie = 1;
        done(1);
    });
    connect(CmdAbandonner, &QPushButton::clicked, this, &FrmInputBox::reject);

    LookFenetre(this, 1);
    PositionFeuille(this, suffix_);
}

void FrmInputBox::setNextAnswer(std::optional<QString> typed)
{
    nextAnswer_ = std::move(typed);
}

// Each line up to the next CR LF goes to the next label; what follows the
// third line is not shown.
void FrmInputBox::setPrompt(const QString& prompt)
{
    for (QLabel* label : LabelInputBox)
        label->clear();
    qsizetype position = 0;
    for (QLabel* label : LabelInputBox) {
        const qsizetype end = prompt.indexOf(QStringLiteral("\r\n"), position);
        label->setText(prompt.mid(position, end < 0 ? -1 : end - position));
        label->adjustSize();
        placeTwips(label, twips(label, "Left"), twips(label, "Top"), pixelsToTwips(label->width()),
                   pixelsToTwips(label->height()));
        if (end < 0)
            break;
        position = end + 2;
    }
}

void FrmInputBox::setPasswordCharacter(const QString& character)
{
    if (character.isEmpty()) {
        TexteSaisie->setEchoMode(QLineEdit::Normal);
        return;
    }
    TexteSaisie->setEchoMode(QLineEdit::Password);
    // The style's own bullet would hide the character the caller chose; the
    // rule joins the field's look rather than replacing it. Only a polished
    // field takes a changed rule at once; an unpolished one keeps the old ones.
    TexteSaisie->ensurePolished();
    TexteSaisie->setStyleSheet(TexteSaisie->styleSheet()
                               + QStringLiteral("\nQLineEdit { lineedit-password-character: %1; }")
                                     .arg(static_cast<int>(character.at(0).unicode())));
}

QString InputBox(const QString& TexteASaisir, const QString& Titre, const QString& Chaine, const QString& PassWordCar)
{
    QString result;
    services::Trap trap(u"FrmInputBox:InputBox");
    QPointer<FrmInputBox> box;
    trap([&] { box = new FrmInputBox(mainWindow()); });
    if (!box)
        return result;
    trap([&] { box->TexteSaisie->setText(TexteASaisir); });
    trap([&] { box->setWindowTitle(Titre.isEmpty() ? QStringLiteral("Saisie  ") : Titre); });
    trap([&] { box->setPrompt(Chaine); });
    trap([&] { box->setPasswordCharacter(PassWordCar); });
    trap([&] {
        if (QWidget* owner = box->parentWidget()) {
            const QRect frame = owner->frameGeometry();
            box->move(frame.center() - QPoint(box->width() / 2, box->height() / 2));
        }
        box->show();
        box->activateWindow();
    });
    trap([&] { box->TexteSaisie->setFocus(); });
    trap([&] { AfficherMessageBoxOuInputBox(-1); });
    trap([&] {
        box->EtatSaisie = 0;
        waitUntilFinished(box, -1, [waited = box] {
            if (!waited || !FrmInputBox::nextAnswer_)
                return;
            const std::optional<QString> typed = *FrmInputBox::nextAnswer_;
            FrmInputBox::nextAnswer_.reset();
            if (typed) {
                waited->TexteSaisie->setText(*typed);
                waited->CmdValider->click();
            } else {
                waited->CmdAbandonner->click();
            }
        });
    });
    trap([&] {
        if (box && box->EtatSaisie == 1)
            result = box->TexteSaisie->text();
    });
    trap([&] { AfficherMessageBoxOuInputBox(0); });
    trap([&] {
        delete box;
    });
    return result;
}

void FrmInputBox::reject()
{
    EtatSaisie = -1;
    done(0);
}

void FrmInputBox::done(int result)
{
    if (closed_)
        return;
    closed_ = true;
    PositionFeuilleSauvegarde(this, suffix_);
    QDialog::done(result);
}

} // namespace qn3::windows
