#pragma once

#include "platform/installable.h"
#include "services/user_interaction.h"
#include "support/platform_doubles.h"
#include "support/temp_prefix.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace qn3::testing {

// Answers the open-file question with `openFileAnswer` (nothing = cancel)
// and keeps the last request; answers every message box with
// `messageBoxAnswer` and keeps the boxes shown.
class ScriptedUserInteraction final : public services::UserInteraction {
public:
    std::optional<QString> openFileAnswer;
    std::optional<services::OpenFileRequest> lastRequest;
    std::optional<QString> askOpenFile(const services::OpenFileRequest& request) override
    {
        lastRequest = request;
        return openFileAnswer;
    }

    // Answers taken in order while any are left, then `messageBoxAnswer`.
    int32_t messageBoxAnswer = services::msgbox::AnswerOk;
    std::deque<int32_t> messageBoxAnswers;
    std::vector<services::MessageBoxRequest> messageBoxes;
    // Runs while each box is asked, as the window messages run behind a real box.
    std::function<void()> whileAsked;
    int32_t askMessageBox(const services::MessageBoxRequest& request) override
    {
        messageBoxes.push_back(request);
        if (whileAsked)
            whileAsked();
        if (messageBoxAnswers.empty())
            return messageBoxAnswer;
        const int32_t answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    }

    // Folders chosen in order while any are left, then "*" (cancelled).
    std::deque<QString> folderAnswers;
    std::vector<services::FolderRequest> folderRequests;
    QString selectFolder(const services::FolderRequest& request) override
    {
        folderRequests.push_back(request);
        if (folderAnswers.empty())
            return QStringLiteral("*");
        QString answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    // The index chosen in the base selection window; the selection handler
    // runs for the preselection and, when it differs, for the choice.
    int16_t baseAnswer = 0;
    std::vector<services::BaseChoiceRequest> baseRequests;
    int16_t chooseBase(const services::BaseChoiceRequest& request) override
    {
        baseRequests.push_back(request);
        if (request.onSelection) {
            request.onSelection(request.preselected);
            if (baseAnswer >= 0 && baseAnswer != request.preselected)
                request.onSelection(baseAnswer);
        }
        return baseAnswer;
    }

    std::vector<bool> waitWindowChanges;
    void setWaitWindowVisible(bool visible) override { waitWindowChanges.push_back(visible); }

    int endRequests = 0;
    void endProgram() override { ++endRequests; }
};

// A test of the services with a private prefix, doubles for the clock, the
// restart, the document opener, the user and the terminal, and the services'
// shared state (shared values, window members, trace log, error routine, tick
// counter) as at start-up: settings not loaded, RepLogs "C:\Logs\".
class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() { resetSharedState(); }
    ~ServicesTest() override { resetSharedState(); }

    // Loads the "settings window": SetupCharge True and RepLogs made on disk.
    void loadSettings();
    // The host path of a Windows path in this test's prefix.
    QString host(const QString& windowsPath) const;
    // The raw bytes of a file of the log folder (empty when missing).
    QByteArray readLog(const QString& fileName) const;
    // Today's file name, as the fake clock says.
    QString todayLogName() const { return clock.now.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".Log"); }
    // Writes `bytes` into a file (Windows path), making its folders.
    void writeFile(const QString& windowsPath, const QByteArray& bytes) const;
    // The raw bytes of a file (Windows path); empty when missing.
    QByteArray readFile(const QString& windowsPath) const;
    // The trace lines buffered so far (settings not loaded), without their
    // time and column prefix.
    QStringList traced() const;

    TempPrefix prefix;
    FakeClock clock;
    RecordingRestart restart;
    RecordingDocumentOpener opener;
    ScriptedUserInteraction user;
    RecordingTerminal terminal;

private:
    void resetSharedState();

    platform::ScopedInstall<platform::Clock> installClock{clock};
    platform::ScopedInstall<platform::Restart> installRestart{restart};
    platform::ScopedInstall<platform::DocumentOpener> installOpener{opener};
    platform::ScopedInstall<services::UserInteraction> installUser{user};
    platform::ScopedInstall<platform::Terminal> installTerminal{terminal};
};

} // namespace qn3::testing
