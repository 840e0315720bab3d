#pragma once

#include "services/ini_access.h"
#include "services/os_facts.h"
#include "services/settings_folders.h"
#include "services/site.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <array>

namespace qn3::testing {

// A first start in a private prefix, whose C:\Work is the current folder.
class SiteTest : public ServicesTest {
protected:
    SiteTest()
    {
        QDir().mkpath(work());
        QDir::setCurrent(work());
        reset();
    }
    ~SiteTest() override
    {
        QDir::setCurrent(previous_);
        reset();
    }

    // Writes INI lines given with "\n", as the suite writes them (CRLF).
    void ini(const QString& windowsPath, QString text) const
    {
        writeFile(windowsPath, text.replace(u'\n', "\r\n").toLatin1());
    }
    QString read(const QString& file, const QString& section, const QString& key) const
    {
        return services::LectureIni(file, section, key, "<none>");
    }
    bool isFolder(const QString& windowsPath) const { return QFileInfo(host(windowsPath)).isDir(); }
    // Each row: file, section, key and the value expected ("<none>": missing).
    void expectRows(std::initializer_list<std::array<QString, 4>> rows) const
    {
        for (const auto& [file, section, key, value] : rows)
            EXPECT_EQ(read(file, section, key).toStdString(), value.toStdString()) << key.toStdString();
    }

    const QString siteFile = "C:\\Program Files\\QN3\\Settings\\QN3_Config.ini";

private:
    QString work() const { return prefix.driveC() + "/Work"; }
    static void reset()
    {
        services::CodeVersionWindows = 0;
        services::RepTemp.clear();
        services::TEST_resetSite();
    }
    QString previous_ = QDir::currentPath();
};

} // namespace qn3::testing
