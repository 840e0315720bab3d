#include "windows/frm_select_base.h"

#include "services/trap.h"
#include "windows/box_support.h"
#include "windows/look.h"
#include "windows/window_helpers.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace qn3::windows {

FrmSelectBase::FrmSelectBase(QWidget* owner)
    : QDialog(owner, fixedBoxFlags(true))
{
    keepBoxShown(this);
    setObjectName(QStringLiteral("FrmSelectBase"));
    setWindowTitle(QStringLiteral("Choix de la base"));
    resizeWindowTwips(this, 4800 + kFrameWidthTwips, 2220 + kFrameHeightTwips);

    const QString texts[] = {QStringLiteral("Base:"), QStringLiteral("Quillon"),
                             QStringLiteral("Sélectionnez la base")};
    const int places[][4] = {{240, 1080, 600, 255}, {240, 240, 4320, 255}, {240, 660, 4320, 255}};
    for (int i = 0; i < 3; ++i) {
        Label[i] = new QLabel(texts[i], this);
        setElement(Label[i], QStringLiteral("Label"), i);
        placeTwips(Label[i], places[i][0], places[i][1], places[i][2], places[i][3]);
    }
    Label[1]->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont brand = Label[1]->font();
    brand.setBold(true);
    Label[1]->setFont(brand);

    ComboBase = new QComboBox(this);
    ComboBase->setObjectName(QStringLiteral("ComboBase"));
    placeTwips(ComboBase, 900, 1020, 3660, 375);

    const QString captions[] = {QStringLiteral("Valider"), QStringLiteral("Abandonner")};
    for (int i = 0; i < 2; ++i) {
        CommandFermer[i] = new QPushButton(captions[i], this);
        setElement(CommandFermer[i], QStringLiteral("CommandFermer"), i);
        placeTwips(CommandFermer[i], 1980 + i * 1320, 1620, 1260, 375);
        connect(CommandFermer[i], &QPushButton::clicked, this, [this, i] { CommandFermer_Click(i); });
    }
    CommandFermer[0]->setDefault(true);

    LookFenetre(this, 1);
    PositionFeuille(this, suffix_);
}

void FrmSelectBase::setNextAnswer(int16_t index)
{
    nextAnswer_ = index;
}

void FrmSelectBase::ComboBase_Click()
{
    services::Trap trap(u"FrmSelectBase:ComboBase_Click");
    trap([&] {
        if (onSelection)
            onSelection(static_cast<int16_t>(ComboBase->currentIndex()));
    });
}

void FrmSelectBase::CommandFermer_Click(int Index)
{
    services::Trap trap(u"FrmSelectBase:CommandFermer_Click");
    trap([&] { BaseCourante = Index == 0 ? static_cast<int16_t>(ComboBase->currentIndex()) : int16_t{-1}; });
    trap([&] { done(Index == 0 ? Accepted : Rejected); });
}

// The close box gives up; the buttons close through done() and keep their value.
void FrmSelectBase::reject()
{
    services::Trap trap(u"FrmSelectBase:Form_QueryUnload");
    trap([&] { BaseCourante = -1; });
    done(Rejected);
}

void FrmSelectBase::done(int result)
{
    if (closed_)
        return;
    closed_ = true;
    PositionFeuilleSauvegarde(this, suffix_);
    QDialog::done(result);
}

void FrmSelectBase::keyPressEvent(QKeyEvent* event)
{
    // Escape would give up, and giving up ends the program: only the close
    // box and "Abandonner" do that.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int16_t ChooseBase(QWidget* owner, const services::BaseChoiceRequest& request)
{
    int16_t chosen = -1;
    services::Trap trap(u"FrmSelectBase:ChooseBase");
    QPointer<FrmSelectBase> window;
    trap([&] { window = new FrmSelectBase(owner); });
    if (!window)
        return chosen;
    trap([&] {
        window->ComboBase->addItems(request.names);
        // As the list control starts without a selection: setting the
        // preselection always runs the selection handler, even for entry 0.
        window->ComboBase->setCurrentIndex(-1);
        window->onSelection = request.onSelection;
        QObject::connect(window->ComboBase, &QComboBox::currentIndexChanged, window,
                         [w = window.data()] { w->ComboBase_Click(); });
        window->ComboBase->setCurrentIndex(request.preselected);
    });
    trap([&] {
        if (FrmSelectBase::nextAnswer_) {
            const int16_t answer = *FrmSelectBase::nextAnswer_;
            FrmSelectBase::nextAnswer_.reset();
            QTimer::singleShot(0, window, [w = window.data(), answer] {
                if (answer >= 0)
                    w->ComboBase->setCurrentIndex(answer);
                w->CommandFermer[answer >= 0 ? 0 : 1]->click();
            });
        }
        window->exec();
    });
    if (window) {
        chosen = window->BaseCourante;
        delete window;
    }
    return chosen;
}

} // namespace qn3::windows
