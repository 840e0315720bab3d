#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace qn3::engine {

// Turns SIGTERM and SIGINT into a call on the window thread, so that the
// program closes the way its window does and nothing buffered is lost.
// One per program: the signal handler can only reach a fixed pipe.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace qn3::engine
