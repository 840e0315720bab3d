#include "fuzz_support.h"
#include "platform/ansi.h"
#include "windows/folder_select_typed.h"

#include <QDir>

using namespace qn3;
using qn3::fuzzing::require;

// Whatever is typed in the folder dialog's edit box gives either a reason in
// words or a full Windows folder with no "." or ".." left in it.
QN3_FUZZ_TARGET(bytes)
{
    [[maybe_unused]] static const bool ready
        = (require(QDir().mkpath(fuzzing::privatePrefix() + QStringLiteral("/drive_c/Radio/Sons"))), true);
    const windows::TypedFolder got = windows::resolveTypedFolder(platform::ansi::decode(bytes),
                                                                 QStringLiteral("C:\\Radio\\Sons"));
    require(got.folder.isEmpty() != got.error.isEmpty());
    if (got.folder.isEmpty())
        return;
    require(got.folder.startsWith(QStringLiteral("\\\\")) || got.folder.mid(1, 2) == QStringLiteral(":\\"));
    for (const QString& part : got.folder.split(u'\\', Qt::SkipEmptyParts))
        require(part != u"." && part != u"..");
}
