#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>

// The error trap every public procedure runs its steps through.
//
//     Trap trap(u"Lib_Public:N2S");
//     trap([&] { ...first step... });
//     trap([&] { ...next step... });
//
// A step that throws (RuntimeError, any std::exception, anything) fills
// `InfoErreur`, is reported to `GestionDesErreurs` under the trap's source,
// and the procedure goes on with its next step: nothing ever reaches the
// caller. Each call returns whether its step completed.
namespace qn3::services {

class Trap {
public:
    // `source` is "Module:Procedure"; it must outlive the trap (a literal).
    explicit Trap(QStringView source) : source_(source) {}

    // Text appended to the source when a failure is reported, computed only
    // then (" |Value: " and the offending value, a caller chain, ...).
    void setDetail(std::function<QString()> detail) { detail_ = std::move(detail); }

    // Replaces the report to `GestionDesErreurs` for procedures with rules of
    // their own; `InfoErreur` is filled before it runs.
    void setReport(std::function<void()> report) { report_ = std::move(report); }

    template <class Step>
    bool operator()(Step&& step) noexcept
    {
        return (*this)(0, std::forward<Step>(step));
    }

    // `line` numbers the step in `InfoErreur.Ligne`.
    template <class Step>
    bool operator()(int32_t line, Step&& step) noexcept
    {
        try {
            step();
            return true;
        } catch (...) {
            failed(line);
            return false;
        }
    }

    // The full source text: the source followed by its detail.
    QString source() const;

private:
    // Called inside the catch block: reads the current exception.
    void failed(int32_t line) noexcept;

    QStringView source_;
    std::function<QString()> detail_;
    std::function<void()> report_;
};

} // namespace qn3::services
