#include "fuzz_support.h"
#include "platform/ansi.h"
#include "windows/folder_select_typed.h"

#include <QDir>

using namespace qn3;
using qn3::fuzzing::require;

namespace {

// A full Windows path with no "." or ".." left in it.
void requireFullPath(const QString& path)
{
    require(path.startsWith(QStringLiteral("\\\\")) || path.mid(1, 2) == QStringLiteral(":\\"));
    for (const QString& part : path.split(u'\\', Qt::SkipEmptyParts))
        require(part != u"." && part != u"..");
}

} // namespace

// Whatever is typed in the edit box of the folder dialog or in the name box
// of the open-file dialog gives either a reason in words or a full Windows
// path.
QN3_FUZZ_TARGET(bytes)
{
    [[maybe_unused]] static const bool ready
        = (require(QDir().mkpath(fuzzing::privatePrefix() + QStringLiteral("/drive_c/Radio/Sons"))), true);
    const QString typed = platform::ansi::decode(bytes);
    const QString shown = QStringLiteral("C:\\Radio\\Sons");
    const windows::TypedFolder folder = windows::resolveTypedFolder(typed, shown);
    require(folder.folder.isEmpty() != folder.error.isEmpty());
    if (!folder.folder.isEmpty())
        requireFullPath(folder.folder);
    const windows::TypedPath file = windows::resolveTypedPath(typed, shown, QStringLiteral("fichier"));
    require(file.path.isEmpty() != file.error.isEmpty());
    if (!file.path.isEmpty())
        requireFullPath(file.path);
}
