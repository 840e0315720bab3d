#pragma once

#include "platform/clock.h"
#include "platform/document_opener.h"
#include "platform/restart.h"
#include "platform/runtime_error.h"
#include "platform/system_facts.h"
#include "platform/terminal.h"

#include <QDateTime>
#include <QStringList>

#include <cstdint>
#include <vector>

// Doubles of the platform facilities that would read the real clock, open a
// desktop application, end the session or write to the terminal.
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
    // A pause returns at once; the clock moves on by its length.
    std::vector<uint32_t> sleeps;
    void sleep(uint32_t milliseconds) override
    {
        sleeps.push_back(milliseconds);
        tick += milliseconds;
        now = now.addMSecs(milliseconds);
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

// Keeps what the program writes to the terminal.
class RecordingTerminal final : public platform::Terminal {
public:
    QStringList written;
    void write(const QString& text) override { written.append(text); }
};

// System facts set by the test; `offsetError` makes the UTC offset throw
// that run-time error number. Counts the offset questions.
class FixedSystemFacts final : public platform::SystemFacts {
public:
    platform::OsVersionInfo version;
    int32_t offsetMinutes = 0;
    int32_t offsetError = 0;
    int offsetQuestions = 0;
    QDateTime lastAskedAt;

    platform::OsVersionInfo osVersion() override { return version; }
    QString windowsFolder() override { return QStringLiteral("C:\\Windows"); }
    QString systemFolder() override { return QStringLiteral("C:\\Windows\\System32"); }
    QString computerName() override { return QStringLiteral("STUDIO"); }
    int32_t utcOffsetMinutes(const QDateTime& at) override
    {
        ++offsetQuestions;
        lastAskedAt = at;
        if (offsetError != 0)
            throw platform::RuntimeError(offsetError, platform::runtimeErrorText(offsetError));
        return offsetMinutes;
    }
};

} // namespace qn3::testing
