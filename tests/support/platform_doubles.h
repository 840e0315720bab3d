#pragma once

#include "platform/clock.h"
#include "platform/document_opener.h"
#include "platform/restart.h"

#include <QDateTime>
#include <QStringList>

#include <cstdint>
#include <vector>

// Doubles of the platform facilities that would read the real clock, open a
// desktop application or end the session.
namespace qn3::testing {

// A clock that shows what the test sets.
class FakeClock final : public platform::Clock {
public:
    uint32_t tick = 1000;
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(13, 5, 9, 42));

    uint32_t tickCount() override { return tick; }
    platform::LocalTime localNow() override
    {
        const QDate d = now.date();
        const QTime t = now.time();
        return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
    }
};

// Records every end-of-session request and does nothing.
class RecordingRestart final : public platform::Restart {
public:
    std::vector<uint32_t> requests;
    void exitWindows(uint32_t flags) override { requests.push_back(flags); }
};

// Records every document it is asked to open.
class RecordingDocumentOpener final : public platform::DocumentOpener {
public:
    QStringList opened;
    void open(const QString& windowsPath) override { opened.append(windowsPath); }
};

} // namespace qn3::testing
