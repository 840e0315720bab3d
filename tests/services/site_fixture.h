#pragma once

#include "services/ini_access.h"
#include "services/os_facts.h"
#include "services/settings_folders.h"
#include "services/site.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFileInfo>

namespace qn3::testing {

// A start of the program in a private prefix: the current folder lies inside
// it (a relative "Config\" resolves there), nothing is known of the Windows
// generation yet and the site module is as at start.
class SiteTest : public ServicesTest {
protected:
    SiteTest()
    {
        QDir().mkpath(host(QStringLiteral("C:\\Work")));
        QDir::setCurrent(host(QStringLiteral("C:\\Work")));
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
        writeFile(windowsPath, text.replace(u'\n', QStringLiteral("\r\n")).toLatin1());
    }
    QString read(const QString& file, const QString& section, const QString& key) const
    {
        return services::LectureIni(file, section, key, QStringLiteral("<none>"));
    }
    bool isFolder(const QString& windowsPath) const { return QFileInfo(host(windowsPath)).isDir(); }

    const QString siteFile = QStringLiteral("C:\\Program Files\\QN3\\Settings\\QN3_Config.ini");

private:
    static void reset()
    {
        services::CodeVersionWindows = 0;
        services::RepTemp.clear();
        services::TEST_resetSite();
    }
    QString previous_ = QDir::currentPath();
};

} // namespace qn3::testing
