#include "platform/directory_listing.h"

#include "platform/runtime_error.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace qn3::platform {
namespace {

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

[[noreturn]] void throwBadName(QStringView whole);

// A mask may hold '*' and '?', nothing else Windows refuses in a name.
void checkMask(QStringView mask, QStringView whole)
{
    for (QChar c : mask) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == u'<' || u == u'>' || u == u'"' || u == u'|' || u == u':')
            throwBadName(whole);
    }
}

struct Split {
    QString hostFolder;
    QString mask;
};

[[noreturn]] void throwBadName(QStringView whole)
{
    throw RuntimeError(errors::BadFileName, runtimeErrorText(errors::BadFileName) + QStringLiteral(": ") + whole.toString());
}

Split split(QStringView text)
{
    if (text.isEmpty())
        throwBadName(text);
    // The last component starts after the last separator, or after "X:".
    qsizetype nameStart = 0;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (isSeparator(text[i])) {
            nameStart = i + 1;
            break;
        }
    }
    if (nameStart == 0 && text.size() >= 2 && text[1] == u':')
        nameStart = 2;
    const QStringView last = text.sliced(nameStart);
    const QStringView folder = text.first(nameStart);
    // A mask with no folder, or after a bare "X:", is relative to the
    // current directory (of that drive).
    const auto hostOf = [](QStringView windowsFolder) {
        if (windowsFolder.isEmpty())
            return paths::toHost(u".");
        if (windowsFolder.size() == 2 && windowsFolder[1] == u':')
            return paths::toHost(windowsFolder.toString() + u'.');
        return paths::toHost(windowsFolder);
    };
    if (wildcard::hasWildcards(last)) {
        checkMask(last, text);
        return {hostOf(folder), last.toString()};
    }
    if (last.isEmpty()) // "C:\Sons\", or "C:" which is the root as in toHost
        return {paths::toHost(folder), QStringLiteral("*")};
    const QString host = paths::toHost(text);
    struct stat st;
    if (::stat(QFile::encodeName(host).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return {host, QStringLiteral("*")};
    return {hostOf(folder), last.toString()};
}

QDateTime fromTimespec(const timespec& t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000);
}

struct Sortable {
    QString key; // upper-cased name (shares the name when it has no lower case)
    DirectoryEntry entry;
};

} // namespace

QList<DirectoryEntry> listDirectory(QStringView windowsFolderOrPattern, ListOptions options)
{
    const Split where = split(windowsFolderOrPattern);
    const wildcard::Pattern pattern(where.mask);
    const bool everything = pattern.matchesEverything();

    DIR* dir = ::opendir(QFile::encodeName(where.hostFolder).constData());
    if (!dir) {
        // A missing folder, or a file in its place, is "path not found".
        const int error = errno == ENOENT ? ENOTDIR : errno;
        throwErrno(error, windowsFolderOrPattern.toString(), false);
    }
    const int fd = ::dirfd(dir);
    QString base = where.hostFolder;
    if (!base.endsWith(u'/'))
        base += u'/';

    std::vector<Sortable> found;
    while (const dirent* raw = ::readdir(dir)) {
        const char* bytes = raw->d_name;
        if (bytes[0] == '.' && (bytes[1] == 0 || (bytes[1] == '.' && bytes[2] == 0)))
            continue;
        QString name = QString::fromUtf8(bytes, qsizetype(std::strlen(bytes)));
        if (!everything && !pattern.matches(name))
            continue;
        DirectoryEntry entry;
        entry.hostPath = base + name;
        // readdir's type settles folder or not without a stat(), except for
        // links (a link to a folder is a folder) and file systems that leave it out.
        const bool needStat = options.details || raw->d_type == DT_LNK || raw->d_type == DT_UNKNOWN;
        if (!needStat) {
            entry.isFolder = raw->d_type == DT_DIR;
        } else if (struct stat st; ::fstatat(fd, bytes, &st, 0) == 0) {
            entry.isFolder = S_ISDIR(st.st_mode);
            if (options.details) {
                entry.size = entry.isFolder ? 0 : qint64(st.st_size);
                entry.lastWriteTime = fromTimespec(st.st_mtim);
                entry.lastAccessTime = fromTimespec(st.st_atim);
            }
        }
        QString key = wildcard::upperCase(name);
        entry.name = std::move(name);
        found.push_back({std::move(key), std::move(entry)});
    }
    ::closedir(dir);

    std::sort(found.begin(), found.end(), [](const Sortable& a, const Sortable& b) {
        if (const int byKey = QStringView(a.key).compare(QStringView(b.key)); byKey != 0)
            return byKey < 0;
        return a.entry.name < b.entry.name;
    });
    QList<DirectoryEntry> entries;
    entries.reserve(qsizetype(found.size()));
    for (Sortable& item : found)
        entries.append(std::move(item.entry));
    return entries;
}

} // namespace qn3::platform
