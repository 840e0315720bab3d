#include "support/services_fixture.h"

#include "platform/windows_path.h"
#include "services/clocks.h"
#include "services/error_routine.h"
#include "services/file_operations.h"
#include "services/folders.h"
#include "services/gmt_offset.h"
#include "services/os_facts.h"
#include "services/path_names.h"
#include "services/shared_values.h"
#include "services/site.h"
#include "services/trace_log.h"
#include "services/window_members.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qn3::testing {

using namespace services;

void ServicesTest::resetSharedState()
{
    FermetureEnCours = SetupCharge = EnIDE = false;
    FormatDate = QStringLiteral("dd/MM/yyyy");
    FormatHeure = QStringLiteral("HH:MM:SS");
    RepApplication = QStringLiteral("C:\\Program Files\\QN3\\");
    RepLogs = QStringLiteral("C:\\Logs\\");
    RepPRG = RepSettings = QString();
    RepConfig = RepBtr = RepLocal = {};
    RepSons = {};
    PremiereStation = DerniereStation = {};
    ThemeActif = 0;
    VersionOS = {};
    FichierEclate = {};

    FrmMainMembers& main = Frm_Main();
    main.ListeLogTemp.Clear();
    main.ListeIncidents0.Clear();
    main.CheckIncidents0.setClickHandler({});
    main.CheckIncidents0.setValue(0);
    main.CMDialog = CommonDialog{};
    FrmSetup().ListeLog.Clear();

    TailleDernierFichier = 0;
    TEST_resetFolders();
    TEST_resetDateModificationFichier();
    TEST_resetGMTOffSet();
    TEST_resetTraceLog();
    TEST_resetErrorRoutine();
    TEST_resetTickCount();
    TEST_resetSite();
}

void ServicesTest::loadSettings()
{
    QDir().mkpath(host(RepLogs));
    SetupCharge = true;
}

QString ServicesTest::host(const QString& windowsPath) const { return platform::paths::toHost(windowsPath); }

QByteArray ServicesTest::readLog(const QString& fileName) const { return readFile(RepLogs + fileName); }

void ServicesTest::writeFile(const QString& windowsPath, const QByteArray& bytes) const
{
    const QString path = host(windowsPath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray ServicesTest::readFile(const QString& windowsPath) const
{
    QFile file(host(windowsPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ServicesTest::traced() const
{
    QStringList lines;
    const QString prefix = LigneLog(-1, -1, -1);
    for (const QString& line : Frm_Main().ListeLogTemp.lines())
        lines.append(line.startsWith(prefix) ? line.mid(prefix.size()) : line);
    return lines;
}

} // namespace qn3::testing
