#pragma once

#include "windows/box_support.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

class QLabel;
class QPushButton;
class QTimer;

// The program's own message box: up to ten lines, an optional icon and one
// row of buttons captioned by the caller; it stays on top, can answer by
// itself after a time limit, can be shown without waiting, and writes its
// opening and closing to the trace log. Lengths are twips.
namespace qn3::windows {

// The Id of the latest message box; each ChoiceBox that opens adds 1.
inline int32_t CompteurMsgBox = 0;

// Shows `Message` (lines split at each line feed) with one button per
// caption of `TexteBouton`, owned by `FeuillePropritaire`, and returns the
// 1-based number of the chosen button; 0 with `NoWait` (the box stays open),
// when another ChoiceBox is already waiting, or when the box was closed
// without an answer (its owner went away, say).
// - `TitreDeLaFenetre` empty: the application's name.
// - `XPos`, `YPos`: left and top; negative (or null) centres on the screen,
//   and the value used is written back.
// - `AlignementDuTexte`: 0 left, 1 right, 2 centre.
// - `DefaultButton`: the button Enter presses and the time limit answers.
// - `DureeMaximum`: milliseconds before the default button answers; 0 none.
// - `NoIcone`: 0 none, 16 error, 32 question, 48 warning, 64 information.
// - `NoZone`: the zone of the trace lines.
int32_t ChoiceBox(const QString& Message, const QStringList& TexteBouton, QWidget* FeuillePropritaire,
                  const QString& TitreDeLaFenetre = {}, float* XPos = nullptr, float* YPos = nullptr,
                  int32_t AlignementDuTexte = 0, int32_t DefaultButton = 1, int32_t DureeMaximum = 0,
                  int32_t NoIcone = 0, bool NoWait = false, int16_t NoZone = -1);

class FrmMsgBox final : public TopmostBox {
    Q_OBJECT
public:
    static constexpr int kLines = 10;

    explicit FrmMsgBox(QWidget* owner);

    // The next ChoiceBox that waits is answered with this button at once, as
    // if it had been clicked (one shot): services that ask can be tested
    // without a person.
    static void setNextAnswer(int32_t button);

    std::array<QLabel*, kLines> LabelMsg{};
    QList<QPushButton*> BtnMsgBox;
    QLabel* ImageIcone = nullptr;
    QTimer* Timer1 = nullptr;

    // The answer: 0 while waiting, then the chosen button's number.
    int32_t ReponseChoisie = 0;
    // Tick count (ms) at which the time limit answers.
    int64_t HeureLimite = 0;

private:
    friend int32_t ChoiceBox(const QString&, const QStringList&, QWidget*, const QString&, float*, float*, int32_t,
                             int32_t, int32_t, int32_t, bool, int16_t);

    // The close box: answers closeAnswer(), or leaves the box open.
    void reject() override;
    // Every way the box ends goes through here: timer off, position saved,
    // closing line logged.
    void done(int answer) override;
    void choose(int32_t button);
    // The button the close box answers: the first "Annuler", else
    // "Abandonner", "Non", "Ok" (exact captions); 0 when none.
    int32_t closeAnswer() const;
    void timeLimitCheck();

    int layoutLines(const QString& message, int32_t alignment);
    bool showIcon(int32_t noIcone);
    int layoutVertically(int lines, bool icon);
    void layoutButtons(const QStringList& captions, const QString& title, int32_t defaultButton);

    int32_t id_ = 0;
    int16_t noZone_ = -1;
    int32_t timerButton_ = 0;
    bool closed_ = false;
    QString suffix_;
    static inline std::optional<int32_t> nextAnswer_;
};

} // namespace qn3::windows
