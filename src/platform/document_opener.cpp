#include "platform/document_opener.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace qn3::platform {
namespace {

// xdg-open asks the desktop for the user's preferred application, as the
// shell's file associations do on Windows.
class XdgOpener final : public DocumentOpener {
public:
    void open(const QString& windowsPath) override
    {
        const QString host = paths::toHost(windowsPath);
        if (!QFileInfo(host).isFile())
            throw RuntimeError(errors::FileNotFound, runtimeErrorText(errors::FileNotFound) + QStringLiteral(": ") + windowsPath);
        if (!QProcess::startDetached(QStringLiteral("xdg-open"), {host}))
            throw RuntimeError(errors::InvalidProcedureCall, QStringLiteral("Cannot start xdg-open for ") + windowsPath);
    }
};

} // namespace

DocumentOpener& DocumentOpener::standard()
{
    static XdgOpener opener;
    return opener;
}

} // namespace qn3::platform
