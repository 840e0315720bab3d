#include "platform/processes.h"
#include "platform/windows_path.h"
#include "platform_test_files.h"
#include "support/temp_prefix.h"

#include <QDeadlineTimer>
#include <QThread>

namespace qn3::platform {
namespace {

// Stand-ins for the desktop's tools: the query knows a handler for plain
// text only; the opener writes down what it was given.
TEST(DesktopShell, GivesTheShellsCodesAndHandsADocumentWithAHandlerToTheOpener)
{
    testing::TempPrefix prefix;
    const QString tools = prefix.path() + u'/';
    const auto write = [](const QString& path, const QByteArray& bytes, bool program) {
        testing::put(path, bytes);
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
        QFile::setPermissions(path, program ? owner | QFile::ExeOwner : owner);
    };
    write(tools + QStringLiteral("query"), "#!/bin/sh\n[ \"$3\" = text/plain ] && echo editor.desktop\nexit 0\n", true);
    write(tools + QStringLiteral("open"), "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.done\"\n",
          true);
    write(paths::toHost(QStringLiteral("C:\\Docs\\lisez.txt")), "texte", false);
    write(paths::toHost(QStringLiteral("C:\\Docs\\inconnu.zzqq")), QByteArray("\x01\x02\x03\x00", 4), false);
    DesktopShell shell(tools + QStringLiteral("query"), tools + QStringLiteral("open"));
    const std::tuple<const char16_t*, const char16_t*, int32_t> table[] = { // file, verb, result
        {u"C:\\Docs\\absent.txt", u"Open", shell_results::FileNotFound},
        {u"C:\\Absent\\a.txt", u"open", shell_results::PathNotFound},
        {u"Q:\\a.txt", u"Open", shell_results::PathNotFound}, // a drive with no mapping
        {u"C:\\Docs\\inconnu.zzqq", u"Open", shell_results::NoAssociation},
        {u"C:\\Docs\\lisez.txt", u"Print", shell_results::NoAssociation}};
    for (const auto& [file, verb, code] : table)
        EXPECT_EQ(shell.execute({0, QString::fromUtf16(verb), QString::fromUtf16(file), {}, {}, 1}), code);
    const QString note = tools + QStringLiteral("open.done");
    EXPECT_FALSE(QFile::exists(note));
    EXPECT_EQ(shell.execute({0, QStringLiteral("Open"), QStringLiteral("lisez.txt"), {}, QStringLiteral("c:\\docs"), 1}),
              shell_results::Started);
    const QDeadlineTimer deadline(10000); // the opener runs on its own
    while (!QFile::exists(note) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(QString::fromLocal8Bit(testing::contents(note)), paths::toHost(QStringLiteral("C:\\Docs\\lisez.txt")));
}

} // namespace
} // namespace qn3::platform
