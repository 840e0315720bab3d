#include "platform/processes.h"
#include "platform/registry_store.h"
#include "services/error_routine.h"
#include "services/outside_programs.h"
#include "services/registry_access.h"
#include "services/window_members.h"
#include "support/services_fixture.h"

#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace qn3::services {
namespace {

struct FixedShell final : platform::ShellExecutor {
    int32_t answer = 42;
    platform::ShellRequest last;
    int32_t execute(const platform::ShellRequest& request) override { return last = request, answer; }
};

struct OutsideProgramsTest : testing::ServicesTest {
    FixedShell shell;
    platform::ScopedInstall<platform::ShellExecutor> installShell{shell};
};

TEST_F(OutsideProgramsTest, AShellFailureIsRaisedWithItsNumberAndMessageAndItsValueReturned)
{
    // Each row: the shell's value, the error raised and its message.
    const std::tuple<int32_t, int32_t, const char16_t*> table[] = {
        {42, 0, u""}, // success: nothing raised
        {0, 7, u"Dépassement de mémoire"}, {2, 53, u"Fichier non trouvé"}, {3, 76, u"Chemin d'accès non trouvé"},
        {26, 75, u"Violation de partage: Erreur d'accès au Dossier/Fichier"},
        {32, 48, u"Le fichier dll ne peut être trouvé"},
        {31, -2147220425, u"Il n'y a aucune application associée à ce type de fichier"},
        {30, 285, u"Le fichier ne peut être ouvert car l'application est occupée. Réessayez plus tard"},
        {15, -2147220441, u"Erreur à l'ouverture ou l'impression du fichier sélectionné"},
    };
    for (const auto& [answer, numero, message] : table) {
        shell.answer = answer;
        InfoErreur = {};
        EXPECT_EQ(ExecuterProgrammeExterne(5, "Open", "C:\\Révisions Ж.htm", QString(), QString(), 1), answer);
        EXPECT_EQ(InfoErreur.Numero, numero) << answer;
        EXPECT_EQ(InfoErreur.Description, QString::fromUtf16(message));
    }
    EXPECT_TRUE(InfoErreur.Source.endsWith(".ExecuterProgrammeExterne"));
    EXPECT_EQ(shell.last.file, "C:\\Révisions ?.htm"); // handed over in ANSI
    EXPECT_TRUE(traced().filter("|File: ").isEmpty()); // only the suite's player traces it
}

// ---- Waiting for a process ------------------------------------------------------

struct ProcessWaitTest : OutsideProgramsTest {
    platform::ScopedInstall<platform::Clock> realClock{platform::Clock::standard()}; // real milliseconds
    std::vector<pid_t> children;

    pid_t start(const char* script)
    {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::execl("/bin/sh", "sh", "-c", script, static_cast<char*>(nullptr)), ::_exit(127);
        return children.push_back(pid), pid;
    }
    ~ProcessWaitTest() override
    {
        for (const pid_t pid : children)
            ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    }
    static double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; } // this process, every thread
};

TEST_F(ProcessWaitTest, GivesTheExitCodeOrAfterTheLimit259WithoutSpinning)
{
    const pid_t early = start("exit 3");
    ::waitid(P_PID, static_cast<id_t>(early), nullptr, WEXITED | WNOWAIT); // ended before the wait
    EXPECT_EQ(AttenteFinProcessusExterne(early, 5000), 3);
    const pid_t slow = start("exec sleep 30");
    const double cpu = cpuSeconds();
    EXPECT_EQ(AttenteFinProcessusExterne(start("sleep 0.4; exit 7"), 0), 7); // no limit
    EXPECT_EQ(AttenteFinProcessusExterne(start("sleep 0.4; exit 5"), 60000), 5);
    EXPECT_TRUE(traced().isEmpty());
    EXPECT_EQ(AttenteFinProcessusExterne(slow, 300), 259);
    EXPECT_LT(cpuSeconds() - cpu, 0.3) << "the wait must sleep in the event loop";
    EXPECT_EQ(::kill(slow, 0), 0); // still running
    EXPECT_EQ(traced().filter("Err: AttenteFinProcessusExterne: Too long waiting |Max: 300 ms").size(), 1);
    EXPECT_EQ(Frm_Main().ListeIncidents0.ListCount(), 1);
    for (const int32_t none : {0, -5, 0x7ffffff0})
        EXPECT_EQ(AttenteFinProcessusExterne(none, 0), 0);
}

// ---- The converter ----------------------------------------------------------------

TEST_F(OutsideProgramsTest, TheConverterIsFoundWhereTheRegistryOrTheDefaultFolderSays)
{
    const QString appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const QString defaut = "C:\\Program Files\\Illustrate\\dBpowerAMP\\";
    const auto registerPath = [&](const char* program, const QString& path) {
        ASSERT_EQ(Reg_SetValue(platform::HKEY_LOCAL_MACHINE, appPaths + QLatin1String(program), "Path", path, 1), 0);
    };
    Frm_Main().Caption = "QN3";
    bool nouvelle = true;
    QString chemin;
    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, false)); // neither: no box
    EXPECT_TRUE(nouvelle);
    EXPECT_EQ(chemin, defaut + "MusicConverter.exe");
    EXPECT_TRUE(user.messageBoxes.empty());
    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, true));
    ASSERT_EQ(user.messageBoxes.size(), 1u);
    EXPECT_EQ(user.messageBoxes[0].text + user.messageBoxes[0].title + QString::number(user.messageBoxes[0].style),
              "dBPowerAmp n'est pas installé sur ce poste. Le Converter ne peut fonctionnerQN316");

    writeFile(defaut + "MusicConverter.exe", "MZ");
    registerPath("MusicConverter.exe", "D:\\Ailleurs"); // a registered path replaces the default
    EXPECT_FALSE(ConvertSonDetermineVersion(nouvelle, chemin, false));
    EXPECT_EQ(chemin, "D:\\Ailleurs\\MusicConverter.exe");
    registerPath("MusicConverter.exe", QString()); // an empty one does not
    EXPECT_TRUE(ConvertSonDetermineVersion(nouvelle, chemin, true));
    EXPECT_FALSE(nouvelle);
    registerPath("CoreConverter.exe", "C:\\Outils\\Conv");
    writeFile("C:\\Outils\\Conv\\CoreConverter.exe", "MZ");
    EXPECT_TRUE(ConvertSonDetermineVersion(nouvelle, chemin, true)); // both: the command-line one wins
    EXPECT_TRUE(nouvelle);
    EXPECT_EQ(chemin, "C:\\Outils\\Conv\\CoreConverter.exe");
}

} // namespace
} // namespace qn3::services
