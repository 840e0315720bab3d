#include "platform/processes.h"
#include "platform/registry_store.h"
#include "services/error_routine.h"
#include "services/outside_programs.h"
#include "services/registry_access.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qn3::services {
namespace {

class FixedShell final : public platform::ShellExecutor {
public:
    int32_t answer = 42;
    std::vector<platform::ShellRequest> requests;
    int32_t execute(const platform::ShellRequest& request) override
    {
        requests.push_back(request);
        return answer;
    }
};

class OutsideProgramsTest : public testing::ServicesTest {
protected:
    FixedShell shell;
    platform::ScopedInstall<platform::ShellExecutor> installShell{shell};
};

TEST_F(OutsideProgramsTest, AShellFailureIsRaisedWithItsNumberAndMessageAndItsValueReturned)
{
    const struct {
        int32_t shell;
        int32_t numero;
        const char16_t* message;
    } table[] = {
        {0, 7, u"Dépassement de mémoire"},
        {2, 53, u"Fichier non trouvé"},
        {3, 76, u"Chemin d'accès non trouvé"},
        {26, 75, u"Violation de partage: Erreur d'accès au Dossier/Fichier"},
        {31, -2147220425, u"Il n'y a aucune application associée à ce type de fichier"},
        {28, 286, u"Le fichier ne peut être ouvert car le délai d'attente est dépassé. Réessayez plus tard"},
        {30, 285, u"Le fichier ne peut être ouvert car l'application est occupée. Réessayez plus tard"},
        {32, 48, u"Le fichier dll ne peut être trouvé"},
        {15, -2147220441, u"Erreur à l'ouverture ou l'impression du fichier sélectionné"},
    };
    for (const auto& row : table) {
        shell.answer = row.shell;
        InfoErreur = {};
        EXPECT_EQ(ExecuterProgrammeExterne(5, QStringLiteral("Open"), QStringLiteral("C:\\a.txt"), QString(), QString(), 1),
                  row.shell);
        EXPECT_EQ(InfoErreur.Numero, row.numero) << row.shell;
        EXPECT_EQ(InfoErreur.Description, QString::fromUtf16(row.message));
        EXPECT_TRUE(InfoErreur.Source.endsWith(QStringLiteral(".ExecuterProgrammeExterne")));
    }
    // Only the suite's player traces the failure itself.
    EXPECT_TRUE(traced().filter(QStringLiteral("Err: ")).filter(QStringLiteral("|File: ")).isEmpty());
}

TEST_F(OutsideProgramsTest, ASuccessIsReturnedWithoutReportAndTheTextsGoInAnsi)
{
    InfoErreur = {};
    EXPECT_EQ(ExecuterProgrammeExterne(5, QStringLiteral("Open"), QStringLiteral("C:\\Révisions Ж.htm"), QString(),
                                       QStringLiteral("C:\\"), 1),
              42);
    EXPECT_EQ(InfoErreur.Numero, 0);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, QStringLiteral("C:\\Révisions ?.htm"));
    EXPECT_EQ(shell.requests[0].ownerWindow, 5);
}

// ---- Waiting for a process ------------------------------------------------------

class ProcessWaitTest : public OutsideProgramsTest {
protected:
    // The real tick counter: the wait measures real milliseconds.
    platform::ScopedInstall<platform::Clock> realClock{platform::Clock::standard()};
    std::vector<pid_t> children;

    pid_t start(const char* script)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", script, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
        return pid;
    }
    ~ProcessWaitTest() override
    {
        for (const pid_t pid : children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    static double cpuSeconds()
    {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
};

TEST_F(ProcessWaitTest, GivesTheExitCodeOfAProcessEndingBeforeOrDuringTheWait)
{
    const pid_t early = start("exit 3");
    ::waitid(P_PID, static_cast<id_t>(early), nullptr, WEXITED | WNOWAIT); // ended before the wait
    EXPECT_EQ(AttenteFinProcessusExterne(early, 5000), 3);

    const double cpu = cpuSeconds();
    EXPECT_EQ(AttenteFinProcessusExterne(start("sleep 0.4; exit 7"), 0), 7); // no limit
    EXPECT_EQ(AttenteFinProcessusExterne(start("sleep 0.4; exit 5"), 60000), 5);
    EXPECT_LT(cpuSeconds() - cpu, 0.2) << "the wait must sleep in the event loop";
    EXPECT_TRUE(traced().filter(QStringLiteral("Too long")).isEmpty());
}

TEST_F(ProcessWaitTest, ATimeOutLeavesTheProcessRunningAndGives259)
{
    const pid_t pid = start("sleep 30");
    const double cpu = cpuSeconds();
    EXPECT_EQ(AttenteFinProcessusExterne(pid, 300), 259);
    EXPECT_LT(cpuSeconds() - cpu, 0.2);
    EXPECT_EQ(::kill(pid, 0), 0); // still there
    EXPECT_EQ(traced().filter(QStringLiteral("Err: AttenteFinProcessusExterne: Too long waiting |Max: 300 ms")).size(), 1);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
}

TEST_F(ProcessWaitTest, AProcessThatCannotBeOpenedGivesZeroAtOnce)
{
    EXPECT_EQ(AttenteFinProcessusExterne(0, 0), 0);
    EXPECT_EQ(AttenteFinProcessusExterne(-5, 0), 0);
    EXPECT_EQ(AttenteFinProcessusExterne(0x7ffffff0, 0), 0);
    EXPECT_TRUE(traced().isEmpty());
}

// ---- The converter ----------------------------------------------------------------

class ConverterTest : public OutsideProgramsTest {
protected:
    const QString core = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CoreConverter.exe");
    const QString music = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MusicConverter.exe");
    const QString defaut = QStringLiteral("C:\\Program Files\\Illustrate\\dBpowerAMP\\");
    void registerPath(const QString& key, const QString& path)
    {
        ASSERT_EQ(Reg_SetValue(platform::HKEY_LOCAL_MACHINE, key, QStringLiteral("Path"), path, 1), 0);
    }
};

TEST_F(ConverterTest, FindsTheConverterWhereTheRegistryOrTheDefaultFolderSays)
{
    Frm_Main().Caption = QStringLiteral("QN3");
    bool nouvelle = true;
    QString chemin = QStringLiteral("ignored");
    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, false)); // neither
    EXPECT_TRUE(nouvelle);
    EXPECT_EQ(chemin, defaut + QStringLiteral("MusicConverter.exe"));
    EXPECT_TRUE(user.messageBoxes.empty());

    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, true));
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].text,
              QStringLiteral("dBPowerAmp n'est pas installé sur ce poste. Le Converter ne peut fonctionner"));
    EXPECT_EQ(user.messageBoxes[0].style, 16);
    EXPECT_EQ(user.messageBoxes[0].title, QStringLiteral("QN3"));

    writeFile(defaut + QStringLiteral("MusicConverter.exe"), "MZ");
    registerPath(music, QStringLiteral("D:\\Ailleurs")); // a registered path replaces the default
    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, false));
    EXPECT_EQ(chemin, QStringLiteral("D:\\Ailleurs\\MusicConverter.exe"));
    registerPath(music, QString());
    EXPECT_TRUE(ConvertSonDetermineVersion(nouvelle, chemin, true));
    EXPECT_FALSE(nouvelle);

    registerPath(core, QStringLiteral("C:\\Outils\\Conv"));
    writeFile(QStringLiteral("C:\\Outils\\Conv\\CoreConverter.exe"), "MZ");
    EXPECT_TRUE(ConvertSonDetermineVersion(nouvelle, chemin, true)); // both: the command-line one wins
    EXPECT_TRUE(nouvelle);
    EXPECT_EQ(chemin, QStringLiteral("C:\\Outils\\Conv\\CoreConverter.exe"));
    EXPECT_EQ(user.messageBoxes.size(), 1u);
}

} // namespace
} // namespace qn3::services
