#include "platform/windows_path.h"
#include "services/ini_access.h"
#include "services/os_facts.h"
#include "services/settings_folders.h"
#include "support/services_fixture.h"

#include <QDir>
#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

// Several programs started at once on a computer without site settings: each
// finds no site file and generates one, or finds the whole one. None may read
// a file another is still writing.
namespace qn3::services {
namespace {

struct SiteGenerationTest : testing::ServicesTest {
    SiteGenerationTest()
    {
        // Two bases of the older setup, with folders of their own: a key read
        // before it is written gives a default instead.
        ini("C:\\Windows\\Win.ini", "[Sonvarek]\nNb_Base=2\nIni_Base_01=C:\\B1\\\nIni_Base_02=C:\\B2\\\n");
        for (const char* base : {"C:\\B1\\", "C:\\B2\\"})
            ini(QString::fromLatin1(base) + "Zt_sys.ini",
                "[Div_radio]\nNom_Radio=Radio Test\n[Stations]\nNb_Max=3\n[Repertoires]\nREPLOG=C:\\Logs\\\n"
                "REPBTR=C:\\QN_Data\\\n[Repertoire_Station_001]\nTMP_09=1,C:\\Tmp\\\n"
                "[Repertoire_Station_002]\nTMP_09=1,C:\\Tmp\\\n");
    }
    void ini(const QString& windowsPath, QString text) const
    {
        writeFile(windowsPath, text.replace(u'\n', "\r\n").toLatin1());
    }

    // What a start reads of the site once its site file is there: true when
    // every file it reads is whole.
    static bool startReadsWholeFiles()
    {
        CodeVersionWindows = 0;
        const QString site = DetermineDossierConfig(1);
        if (LectureIni(site, "Site", "NbBase", "") != u"2")
            return false;
        for (int base = 1; base <= 2; ++base) {
            const QString section = QStringLiteral("Base_%1").arg(base, 2, 10, QLatin1Char('0'));
            const QString folder = LectureIni(site, section, "Dossier_Config_Global", "");
            const QString systeme = folder + "QN3_Systeme.ini";
            if (folder != QStringLiteral("C:\\B%1\\").arg(base)
                || LectureIni(systeme, section, "Dossier_Data", "") != u"C:\\QN_Data\\"
                || LectureIni(systeme, section + "_Station_03", "Lib", "") != u"Station 03"
                || LectureIni(systeme, "Dossiers_Sons_Tmp", "09", "") != u"C:\\Tmp\\") // the last key written
                return false;
        }
        return true;
    }

    // The generated files, removed for the next round.
    void removeGenerated() const
    {
        for (const char* file : {"C:\\Program Files\\QN3\\Settings\\QN3_Config.ini", "C:\\B1\\QN3_Systeme.ini",
                                 "C:\\B2\\QN3_Systeme.ini"})
            QFile::remove(host(QString::fromLatin1(file)));
    }
};

TEST_F(SiteGenerationTest, StartsTogetherOnABareSiteEachReadWholeFilesAndLeaveNothingAside)
{
    constexpr int rounds = 8;
    constexpr int starters = 4;
    for (int round = 0; round < rounds; ++round) {
        removeGenerated();
        // The starters wait together on the pipe and start when it closes.
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < starters; ++i) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(go[1]);
                char byte;
                while (::read(go[0], &byte, 1) > 0) {
                }
                ::_exit(startReadsWholeFiles() ? 0 : 1);
            }
            children.push_back(child);
        }
        ::close(go[0]);
        ::close(go[1]);
        int whole = 0;
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            whole += WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        ASSERT_EQ(whole, starters) << "round " << round;
    }
    // Only the generated files: nothing written aside stays behind.
    EXPECT_EQ(QDir(host("C:\\B1\\")).entryList(QDir::Files | QDir::Hidden),
              QStringList({"QN3_Systeme.ini", "Zt_sys.ini"}));
    EXPECT_EQ(QDir(host("C:\\Program Files\\QN3\\Settings\\")).entryList(QDir::Files | QDir::Hidden),
              QStringList({"QN3_Config.ini"}));
}

TEST_F(SiteGenerationTest, AGenerationKilledHalfWayLeavesNoSiteFileAndItsWorkGoesAtTheNextWrite)
{
    // What a starter killed while generating leaves: its files aside, under
    // the id of a process that no longer runs.
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const QString settings = host("C:\\Program Files\\QN3\\Settings\\");
    ASSERT_TRUE(QDir().mkpath(settings));
    const QString leftOver = settings + QStringLiteral(".QN3_Config.ini.%1.AbCdEf").arg(ended);
    writeFile(platform::paths::toWindows(leftOver), "[Site]\r\nLib=half\r\n");

    EXPECT_TRUE(startReadsWholeFiles()); // generated anew, the half file ignored
    EXPECT_FALSE(QFile::exists(leftOver));
}

} // namespace
} // namespace qn3::services
