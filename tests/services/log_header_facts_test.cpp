#include "platform/system_facts.h"
#include "platform/version_resource.h"
#include "platform/windows_path.h"
#include "services/os_facts.h"
#include "services/trace_log.h"
#include "services/versions.h"
#include "support/services_fixture.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class Windows7 final : public platform::SystemFacts {
public:
    platform::OsVersionInfo osVersion() override
    {
        platform::OsVersionInfo info;
        info.minorVersion = 1;
        info.buildNumber = 7601;
        info.csdVersion = QStringLiteral("Service Pack 1");
        info.processorArchitecture = 9;
        return info;
    }
    QString windowsFolder() override { return QStringLiteral("C:\\Windows"); }
    QString systemFolder() override { return QStringLiteral("C:\\Windows\\System32"); }
    QString computerName() override { return QStringLiteral("STUDIO-A"); }
    int32_t utcOffsetMinutes(const QDateTime&) override { return 60; }
};

class LogHeaderFactsTest : public testing::ServicesTest {
protected:
    ~LogHeaderFactsTest() override { CodeVersionWindows = 0; }

    // The header lines of today's file, without their prefix.
    QStringList headerTexts()
    {
        QStringList texts;
        for (const QByteArray& line : readLog(todayLogName()).split('\n')) {
            if (line.startsWith("==:==:==:====:=:=:=:"))
                texts << QString::fromLatin1(line.mid(20)).trimmed();
        }
        return texts;
    }

    Windows7 facts;
    platform::ScopedInstall<platform::SystemFacts> install{facts};
};

TEST_F(LogHeaderFactsTest, TheDaysHeaderNamesTheBuildTheProgramTheComputerAndTheSystem)
{
    loadSettings();
    TraceLog(-1, -1, -1, QStringLiteral("first line"), false, true);
    TraceLogForce();

    const QStringList texts = headerTexts();
    ASSERT_EQ(texts.size(), 10) << texts.join(u'\n').toStdString();
    const auto numbers = platform::version::programBuildNumbers();
    EXPECT_EQ(texts[2], QStringLiteral("App.Version: ") + VersionApplication());
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("App.Version: %1.").arg(numbers.major))) << texts[2].toStdString();
    EXPECT_EQ(texts[3], QStringLiteral("App.ExeName: ") + platform::paths::toWindows(QCoreApplication::applicationDirPath()) + u'\\' +
                            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                            QStringLiteral(".exe"));
    EXPECT_EQ(texts[4], QStringLiteral("App.ProductName: QN3_Tools_Vandrel"));
    EXPECT_EQ(texts[5], QStringLiteral("Computer.Name: STUDIO-A"));
    EXPECT_EQ(texts[7],
              QStringLiteral("Operating System: Microsoft Windows 7 Professional, 64-bit Service Pack 1 (build 7601)"));
    EXPECT_EQ(CodeVersionWindows, 7);
}

} // namespace
} // namespace qn3::services
