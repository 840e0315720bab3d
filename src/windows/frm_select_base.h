#pragma once

#include "services/user_interaction.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

// The base selection window of a site with several bases: the user takes a
// base from the list or gives up.
namespace qn3::windows {

class FrmSelectBase final : public QDialog {
    Q_OBJECT
public:
    explicit FrmSelectBase(QWidget* owner);

    // The next ChooseBase answers at once (one shot): the index taken with
    // "Valider", or -1 for "Abandonner".
    static void setNextAnswer(int16_t index);

    QComboBox* ComboBase = nullptr;
    std::array<QPushButton*, 2> CommandFermer{};
    std::array<QLabel*, 3> Label{};

    // The chosen index, or -1 when the user gave up.
    int16_t BaseCourante = 0;
    // Runs with the selected index each time the selection changes.
    std::function<void(int16_t)> onSelection;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend int16_t ChooseBase(QWidget*, const services::BaseChoiceRequest&);

    void reject() override;
    void done(int result) override;
    void ComboBase_Click();
    void CommandFermer_Click(int Index);

    QString suffix_;
    bool closed_ = false;
    static inline std::optional<int16_t> nextAnswer_;
};

// Fills the list with `request.names`, selects `request.preselected` (its
// selection handler runs), shows the window modal over `owner` and returns
// the chosen index, or -1 when the user gave up or closed the window.
int16_t ChooseBase(QWidget* owner, const services::BaseChoiceRequest& request);

} // namespace qn3::windows
