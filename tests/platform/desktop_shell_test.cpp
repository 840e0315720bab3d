#include "platform/processes.h"
#include "platform_test_files.h"

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
    const auto program = [](const QString& path, const QByteArray& script) {
        testing::put(path, script);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    program(tools + QStringLiteral("query"), "#!/bin/sh\n[ \"$3\" = text/plain ] && echo editor.desktop\nexit 0\n");
    program(tools + "open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.done\"\n");
    testing::put(paths::toHost(u"C:\\Docs\\lisez.txt"), "texte");
    testing::put(paths::toHost(u"C:\\Docs\\inconnu.zzqq"), QByteArray("\x01\x02\x03\x00", 4));
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
    EXPECT_EQ(shell.execute({0, "Open", "lisez.txt", {}, "c:\\docs", 1}), shell_results::Started);
    const QDeadlineTimer deadline(10000); // the opener runs on its own
    while (!QFile::exists(note) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(QString::fromLocal8Bit(testing::contents(note)), paths::toHost(u"C:\\Docs\\lisez.txt"));
}

} // namespace
} // namespace qn3::platform
