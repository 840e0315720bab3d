#include "windows/folder_select_typed.h"

#include "platform/plain_files.h"
#include "platform/runtime_error.h"

#include <QStringList>

namespace qn3::windows {
namespace {

bool isDriveLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// "C:\Radio\.\Sons\..\Pubs" -> "C:\Radio\Pubs"; ".." stops at the drive or
// share root, as Windows does.
QString normalise(const QString& absolute)
{
    QString root;
    QStringList rest;
    if (absolute.startsWith(QStringLiteral("\\\\"))) {
        const QStringList parts = absolute.mid(2).split(u'\\', Qt::SkipEmptyParts);
        if (parts.size() < 2)
            return absolute; // an incomplete share: the mapping refuses it
        root = QStringLiteral("\\\\") + parts[0] + u'\\' + parts[1];
        rest = parts.mid(2);
    } else {
        root = absolute.left(2).toUpper();
        rest = absolute.mid(2).split(u'\\', Qt::SkipEmptyParts);
    }
    QStringList kept;
    for (const QString& part : rest) {
        if (part == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
        } else if (part != u".") {
            kept << part;
        }
    }
    if (kept.isEmpty())
        return root.startsWith(u'\\') ? root : root + u'\\';
    return root + u'\\' + kept.join(u'\\');
}

} // namespace

QString quoted(const QString& text)
{
    return QStringLiteral("« ") + text + QStringLiteral(" »");
}

TypedPath resolveTypedPath(const QString& typed, const QString& selected, const QString& noun)
{
    const QString text = typed.trimmed().replace(u'/', u'\\');
    const QString base = selected.endsWith(u'\\') ? selected.chopped(1) : selected;
    QString absolute;
    if (text.isEmpty())
        absolute = selected;
    else if (text.startsWith(QStringLiteral("\\\\")) || (text.size() >= 2 && isDriveLetter(text[0]) && text[1] == u':'))
        absolute = text;
    else if (text.startsWith(u'\\'))
        absolute = base.left(2) + text;
    else
        absolute = base + u'\\' + text;
    if (absolute.isEmpty())
        return {{}, {}, QStringLiteral("Sélectionnez un ") + noun + QStringLiteral(" ou tapez son chemin.")};
    if (absolute.startsWith(u'\\') && !absolute.startsWith(QStringLiteral("\\\\")))
        return {{}, {}, QStringLiteral("Sélectionnez d'abord un lecteur ou tapez un chemin complet.")};

    const QString path = normalise(absolute);
    try {
        return {path, platform::files::entry(path).kind, {}};
    } catch (const platform::RuntimeError& failure) {
        if (failure.number() == platform::errors::DeviceUnavailable)
            return {{}, {}, QStringLiteral("Le lecteur ") + path.left(2) + QStringLiteral(" n'existe pas.")};
        return {{}, {}, quoted(text) + QStringLiteral(" n'est pas un nom de ") + noun + QStringLiteral(" valide.")};
    }
}

TypedFolder resolveTypedFolder(const QString& typed, const QString& selected)
{
    const TypedPath got = resolveTypedPath(typed, selected, QStringLiteral("dossier"));
    if (!got.error.isEmpty())
        return {{}, got.error};
    if (got.kind != platform::files::EntryKind::Missing && got.kind != platform::files::EntryKind::Folder)
        return {{}, quoted(got.path) + QStringLiteral(" est un fichier, pas un dossier.")};
    return {got.path, {}};
}

} // namespace qn3::windows
