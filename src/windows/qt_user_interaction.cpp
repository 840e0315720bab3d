#include "windows/qt_user_interaction.h"

#include "platform/windows_path.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QStringList>

namespace qn3::windows {
namespace {

// "Logs|*.log|All|*.*" -> "Logs (*.log);;All (*.*)"
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    return entries.join(QStringLiteral(";;"));
}

QString hostOrEmpty(const QString& windowsPath)
{
    if (windowsPath.trimmed().isEmpty())
        return {};
    try {
        return platform::paths::toHost(windowsPath);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::optional<QString> QtUserInteraction::askOpenFile(const services::OpenFileRequest& request)
{
    QString start = hostOrEmpty(request.fileName);
    if (start.isEmpty())
        start = hostOrEmpty(request.initialFolder);
    const QString chosen = QFileDialog::getOpenFileName(owner_, request.title, start, qtFilter(request.filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return platform::paths::toWindows(chosen);
}

Qt::KeyboardModifiers QtKeyboardState::heldModifiers()
{
    return QGuiApplication::queryKeyboardModifiers();
}

} // namespace qn3::windows
