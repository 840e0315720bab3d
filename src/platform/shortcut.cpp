#include "platform/shortcut.h"

#include "platform/atomic_file.h"
#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFileInfo>

#include <cerrno>

namespace qn3::platform::shortcut {
namespace {

// Escapes of a desktop entry's string values.
QString escapeValue(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\n', QStringLiteral("\\n"));
    value.replace(u'\t', QStringLiteral("\\t"));
    value.replace(u'\r', QStringLiteral("\\r"));
    return value;
}

// One quoted argument of the Exec key: inside double quotes, ", `, $ and the
// backslash itself take a backslash; a "%" is doubled, since alone it starts
// a field code.
QString quoteArgument(const QString& argument)
{
    QString quoted;
    quoted.reserve(argument.size() + 2);
    quoted += u'"';
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QString hostOrEmpty(const QString& windowsPath)
{
    return windowsPath.isEmpty() ? QString() : paths::toHost(windowsPath);
}

} // namespace

void write(const QString& windowsPath, const Shortcut& shortcut)
{
    const QString host = paths::toHost(windowsPath);
    const QString exec = quoteArgument(hostOrEmpty(shortcut.targetPath)) + shortcut.arguments;
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=") + escapeValue(QFileInfo(host).completeBaseName()) + u'\n';
    text += QStringLiteral("Exec=") + escapeValue(exec) + u'\n';
    text += QStringLiteral("Path=") + escapeValue(hostOrEmpty(shortcut.workingDirectory)) + u'\n';
    text += QStringLiteral("Icon=") + escapeValue(hostOrEmpty(shortcut.iconLocation)) + u'\n';
    text += QStringLiteral("Comment=") + escapeValue(shortcut.description) + u'\n';

    // Through the platform's one way of replacing a file by name: a FIFO or
    // a device at the shortcut's name is never opened nor written over.
    const int error = atomic_file::replace(host, text.toUtf8());
    if (error != 0) {
        if (error == EBUSY || error == ETXTBSY)
            throw RuntimeError(kFileInUse, QStringLiteral("The file is in use: ") + windowsPath);
        const bool parentExists = QFileInfo(QFileInfo(host).path()).isDir();
        throwErrno(error, windowsPath, parentExists);
    }
}

} // namespace qn3::platform::shortcut
