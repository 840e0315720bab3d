#pragma once

#include "windows/box_support.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The program's own input box: a prompt of up to three lines above a
// one-line field, on top of the other windows, owned by the main window.
namespace qn3::windows {

// Returns the field's content when OK (or Enter) was pressed, "" when the
// box was cancelled or closed. `TexteASaisir` fills the field; `Titre`
// empty gives the caption "Saisie  "; `Chaine` is the prompt, lines split at
// carriage return + line feed, the first three shown; `PassWordCar` not
// empty hides the typed characters behind its first character.
QString InputBox(const QString& TexteASaisir, const QString& Titre = {}, const QString& Chaine = {},
                 const QString& PassWordCar = {});

class FrmInputBox final : public TopmostBox {
    Q_OBJECT
public:
    static constexpr int kPromptLines = 3;

    explicit FrmInputBox(QWidget* owner);

    // The next InputBox answers at once (one shot): the text typed and OK,
    // or nothing for Annuler. Lets services that ask be tested unattended.
    static void setNextAnswer(std::optional<QString> typed);

    std::array<QLabel*, kPromptLines> LabelInputBox{};
    QLineEdit* TexteSaisie = nullptr;
    QPushButton* CmdValider = nullptr;
    QPushButton* CmdAbandonner = nullptr;

    // 0 while the box waits, 1 after OK, -1 after Annuler or closing.
    int32_t EtatSaisie = 0;

private:
    friend QString InputBox(const QString&, const QString&, const QString&, const QString&);

    void reject() override;
    void done(int result) override;
    void setPrompt(const QString& prompt);
    void setPasswordCharacter(const QString& character);

    QString suffix_;
    bool closed_ = false;
    static inline std::optional<std::optional<QString>> nextAnswer_;
};

} // namespace qn3::windows
