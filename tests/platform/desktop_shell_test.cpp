#include "platform/processes.h"
#include "platform/windows_path.h"
#include "support/temp_prefix.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace qn3::platform {
namespace {

// Stand-ins for the desktop's tools: the query knows a handler for plain
// text only, the opener writes down what it was given.
class DesktopShellTest : public ::testing::Test {
protected:
    testing::TempPrefix prefix;
    QString tools = prefix.path() + QStringLiteral("/tools");
    QString opened = prefix.path() + QStringLiteral("/opened");

    DesktopShellTest()
    {
        QDir().mkpath(tools);
        script(QStringLiteral("query"), "#!/bin/sh\n[ \"$3\" = text/plain ] && echo editor.desktop\nexit 0\n");
        script(QStringLiteral("open"), "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/../opened.tmp\" && mv "
                                       "\"$(dirname \"$0\")/../opened.tmp\" \"$(dirname \"$0\")/../opened\"\n");
        QDir().mkpath(paths::toHost(QStringLiteral("C:\\Docs")));
        write(QStringLiteral("C:\\Docs\\lisez.txt"), "texte");
        write(QStringLiteral("C:\\Docs\\inconnu.zzqq"), QByteArray("\x01\x02\x03\x00", 4));
    }
    void script(const QString& name, const char* text)
    {
        QFile file(tools + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static void write(const QString& windowsPath, const QByteArray& bytes)
    {
        QFile file(paths::toHost(windowsPath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    int32_t open(const QString& file, const QString& verb = QStringLiteral("Open"))
    {
        DesktopShell shell(tools + QStringLiteral("/query"), tools + QStringLiteral("/open"));
        return shell.execute({0, verb, file, QString(), QString(), 1});
    }
};

TEST_F(DesktopShellTest, FailuresGiveTheShellsCodes)
{
    const struct {
        const char16_t* file;
        const char16_t* verb;
        int32_t code;
    } table[] = {
        {u"C:\\Docs\\absent.txt", u"Open", shell_results::FileNotFound},
        {u"C:\\Absent\\a.txt", u"open", shell_results::PathNotFound},
        {u"Q:\\a.txt", u"Open", shell_results::PathNotFound}, // a drive with no mapping
        {u"C:\\Docs\\inconnu.zzqq", u"Open", shell_results::NoAssociation},
        {u"C:\\Docs\\lisez.txt", u"Print", shell_results::NoAssociation},
    };
    for (const auto& row : table)
        EXPECT_EQ(open(QString::fromUtf16(row.file), QString::fromUtf16(row.verb)), row.code) << QString::fromUtf16(row.file).toStdString();
    EXPECT_FALSE(QFile::exists(opened));
}

TEST_F(DesktopShellTest, ADocumentWithAHandlerIsHandedToTheOpener)
{
    EXPECT_EQ(open(QStringLiteral("c:\\docs\\LISEZ.txt")), shell_results::Started);
    // The opener runs on its own; give it a moment to write its note.
    const QDeadlineTimer deadline(10000);
    while (!QFile::exists(opened) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile note(opened);
    ASSERT_TRUE(note.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(note.readAll()), paths::toHost(QStringLiteral("C:\\Docs\\lisez.txt")));
}

} // namespace
} // namespace qn3::platform
