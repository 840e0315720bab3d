#include "platform/windows_path.h"

#include "platform/host_files.h"
#include "platform/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <cerrno>
#include <optional>
#include <dirent.h>
#include <unistd.h>

// Sections: 1. reading a Windows path into root + components; 2. the drives of
// the prefix (creation, the reverse table); 3. the public functions.

namespace qn3::platform::paths {
namespace {

// ---- 1. Windows path syntax -------------------------------------------------

[[noreturn]] void throwBadName(QStringView path)
{
    throw RuntimeError(errors::BadFileName,
                       runtimeErrorText(errors::BadFileName) + QStringLiteral(": ") + path.toString());
}

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

// Control characters can never be part of a name this program is given.
bool isInvalidInName(QChar c) { return c.unicode() < 0x20; }

// Characters Windows refuses in a name that the host allows: such a name can
// only denote an entry that is there, spelt exactly (a file of the disk named
// "a*b.log" that the user picked from a list), never one to find by case or
// to create.
bool isHostOnlyInName(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'<' || u == u'>' || u == u'"' || u == u'|' || u == u'?' || u == u'*' || u == u':';
}

// Windows drops the blanks and dots that end a name ("Name. " is "Name").
QStringView withoutTrailingDotsAndBlanks(QStringView name)
{
    qsizetype keep = name.size();
    while (keep > 0 && (name[keep - 1] == u'.' || name[keep - 1] == u' '))
        --keep;
    return name.first(keep);
}

// A full Windows path: a drive letter or a server and share, then names.
struct FullPath {
    QChar drive; // upper case; null for a network path
    QString server;
    QString share;
    QStringList names;
    bool trailingSeparator = false;
    bool hostOnlyNames = false; // a name holds a character only the host allows
};

// Adds the components of `text` to `path` the way Windows normalises them.
// The current directory (`trusted`) comes from the host and is taken as it is.
void appendComponents(FullPath& path, QStringView text, QStringView whole, bool trusted)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && !isSeparator(text[end]))
            ++end;
        const QStringView part = text.sliced(start, end - start);
        start = end + 1;
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..") {
            if (!path.names.isEmpty())
                path.names.removeLast();
            continue;
        }
        if (trusted) {
            path.names.append(part.toString());
            continue;
        }
        for (QChar c : part) {
            if (isInvalidInName(c))
                throwBadName(whole);
            path.hostOnlyNames = path.hostOnlyNames || isHostOnlyInName(c);
        }
        // "..." or ". " are the current folder once their dots and blanks go.
        const QStringView name = withoutTrailingDotsAndBlanks(part);
        if (!name.isEmpty())
            path.names.append(name.toString());
    }
}

// Reads the server or share name starting at `pos` (leading separators skipped).
QString networkName(QStringView text, qsizetype& pos, QStringView whole)
{
    while (pos < text.size() && isSeparator(text[pos]))
        ++pos;
    const qsizetype start = pos;
    while (pos < text.size() && !isSeparator(text[pos]))
        ++pos;
    const QStringView part = text.sliced(start, pos - start);
    for (QChar c : part)
        if (isInvalidInName(c) || isHostOnlyInName(c))
            throwBadName(whole);
    const QStringView name = withoutTrailingDotsAndBlanks(part);
    if (name.isEmpty())
        throwBadName(whole);
    return name.toString();
}

FullPath parse(QStringView text, bool trusted = false);

FullPath currentFullPath() { return parse(currentDirectory(), true); }

FullPath parse(QStringView text, bool trusted)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        throwBadName(text);
    FullPath path;
    QStringView rest;
    if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1])) {
        qsizetype pos = 2;
        path.server = networkName(text, pos, text);
        path.share = networkName(text, pos, text);
        rest = text.sliced(pos);
    } else if (text.size() >= 2 && text[1] == u':') {
        const char16_t letter = text[0].unicode();
        if (!((letter >= u'A' && letter <= u'Z') || (letter >= u'a' && letter <= u'z')))
            throwBadName(text);
        path.drive = text[0].toUpper();
        rest = text.sliced(2);
        if (!rest.isEmpty() && !isSeparator(rest[0])) {
            // "C:x": relative to the current directory when it is on that drive.
            FullPath current = currentFullPath();
            if (current.drive == path.drive)
                path = std::move(current);
        }
    } else {
        FullPath current = currentFullPath();
        path = std::move(current);
        if (isSeparator(text[0]))
            path.names.clear(); // "\x": the root of the current drive or share
        rest = text;
    }
    appendComponents(path, rest, text, trusted);
    path.trailingSeparator = !path.names.isEmpty() && isSeparator(text.back());
    return path;
}

// ---- 2. Drives --------------------------------------------------------------

QString dosdevicesOf(const QString& prefixFolder) { return prefixFolder + QStringLiteral("/dosdevices"); }

bool linkExists(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The first use of a prefix gives it drive_c (with the Windows folder) and
// the c: and z: links. A prefix that cannot be written simply has no drives
// (68 later on).
void ensureDrives(const QString& prefixFolder)
{
    const QString devices = dosdevicesOf(prefixFolder);
    const QString c = devices + QStringLiteral("/c:");
    const QString z = devices + QStringLiteral("/z:");
    if (linkExists(c) && linkExists(z))
        return;
    QDir().mkpath(devices);
    if (!linkExists(c)) {
        // C:\Windows and its system folder exist on every Windows machine,
        // and a bare INI file name lives in the first. A drive_c that exists
        // already keeps the folders it has, whatever their case.
        const QString driveC = prefixFolder + QStringLiteral("/drive_c");
        QDir().mkpath(QFileInfo::exists(driveC) ? driveC : driveC + QStringLiteral("/Windows/System32"));
        (void)::symlink("../drive_c", QFile::encodeName(c).constData());
    }
    if (!linkExists(z))
        (void)::symlink("/", QFile::encodeName(z).constData());
}

struct Drive {
    QChar letter;
    QString target;    // the link's target made absolute
    QString canonical; // the same with every link resolved (empty if dangling)
};

struct DriveTable {
    QString devices;
    hostfiles::FolderStamp stamp;
    QList<Drive> drives; // by letter
};

QList<Drive> readDrives(const QString& devices)
{
    QList<Drive> drives;
    DIR* dir = ::opendir(QFile::encodeName(devices).constData());
    if (!dir)
        return drives;
    const QDir base(devices);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        const bool isLetter = (name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z');
        if (!isLetter || name[1] != ':' || name[2] != 0)
            continue;
        const QString link = devices + u'/' + QLatin1String(name);
        const QString target = QFile::symLinkTarget(link);
        if (target.isEmpty())
            continue;
        drives.append({QChar(name[0]).toUpper(), QDir::cleanPath(base.absoluteFilePath(target)),
                       QFileInfo(link).canonicalFilePath()});
    }
    ::closedir(dir);
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return drives;
}

// The drive links, read again whenever dosdevices/ changes.
QList<Drive> drives(const QString& prefixFolder)
{
    static QMutex mutex;
    static DriveTable table;
    const QString devices = dosdevicesOf(prefixFolder);
    struct stat st;
    if (!hostfiles::statPath(devices, st)) {
        ensureDrives(prefixFolder);
        if (!hostfiles::statPath(devices, st))
            return {};
    }
    QMutexLocker lock(&mutex);
    if (table.devices != devices || !table.stamp.stillValidFor(st)) {
        table.devices = devices;
        table.stamp = hostfiles::FolderStamp::of(st);
        table.drives = readDrives(devices);
    }
    return table.drives;
}

// The remainder of `path` below `root` ("" for the root itself, else "/..."),
// nothing when `root` does not cover it.
std::optional<QString> below(const QString& path, const QString& root)
{
    if (root.isEmpty())
        return std::nullopt;
    if (root == u"/")
        return path == u"/" ? QString() : path;
    if (path == root)
        return QString();
    if (path.startsWith(root) && path[root.size()] == u'/')
        return path.mid(root.size());
    return std::nullopt;
}

enum class Step { Found, FoundUnreachable, Missing };

// Moves `folder` (whose stat is `folderStat`) to its child `name`, spelt as
// given or else in any case. `folderStat` follows only when `needStat` asks:
// the last component needs none.
Step enter(QString& folder, struct stat& folderStat, const QString& name, bool needStat)
{
    const QString actual = hostfiles::findName(folder, folderStat, name);
    if (actual.isEmpty())
        return Step::Missing;
    folder += u'/' + actual;
    if (needStat && !hostfiles::statPath(folder, folderStat))
        return Step::FoundUnreachable;
    return Step::Found;
}

} // namespace

// ---- 3. Public functions ----------------------------------------------------

QString prefix()
{
    const QString explicitPrefix = qEnvironmentVariable("QN3_PREFIX");
    if (!explicitPrefix.isEmpty())
        return QDir::cleanPath(explicitPrefix);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/qn3-tools-vandrel"));
}

QString toHost(QStringView windowsPath)
{
    const FullPath path = parse(windowsPath);
    const QString prefixFolder = prefix();
    const QString devices = dosdevicesOf(prefixFolder);

    QStringList names;
    names.reserve(path.names.size() + 3);
    if (path.drive.isNull())
        names << QStringLiteral("unc") << path.server << path.share;
    else
        names << QString(path.drive.toLower()) + u':';
    names += path.names;
    const auto finish = [&](QString host) {
        if (path.names.isEmpty() || path.trailingSeparator)
            host += u'/';
        return host;
    };

    // Most paths are spelt as they exist: one stat() settles them.
    QString host = devices + u'/' + names.join(u'/');
    struct stat st;
    if (hostfiles::statPath(host, st))
        return finish(host);
    if (path.hostOnlyNames)
        throwBadName(windowsPath);

    // Otherwise walk down, finding each component whatever its case. The
    // first miss at the top may be a prefix in its first use: make its drives.
    const auto enterTop = [&] {
        host = devices;
        if (!hostfiles::statPath(devices, st))
            return Step::Missing;
        return enter(host, st, names[0], names.size() > 1);
    };
    Step top = enterTop();
    if (top == Step::Missing) {
        ensureDrives(prefixFolder);
        top = enterTop();
    }
    if (top == Step::Missing) {
        if (!path.drive.isNull())
            throw RuntimeError(errors::DeviceUnavailable, runtimeErrorText(errors::DeviceUnavailable)
                                                              + QStringLiteral(": ") + windowsPath.toString());
        host += u'/' + names[0];
    }
    bool missing = top != Step::Found;
    for (qsizetype i = 1; i < names.size(); ++i) {
        if (missing) {
            host += u'/' + names[i];
            continue;
        }
        const Step step = enter(host, st, names[i], i + 1 < names.size());
        if (step == Step::Missing)
            host += u'/' + names[i];
        missing = step != Step::Found;
    }
    return finish(host);
}

QString toWindows(QStringView hostPath)
{
    const QString given = hostPath.toString();
    const QString absolute = QDir::cleanPath(QDir::isAbsolutePath(given) ? given : QDir::current().absoluteFilePath(given));
    const bool trailingSeparator = given.endsWith(u'/');
    const QString prefixFolder = prefix();
    const QString devices = dosdevicesOf(prefixFolder);

    QString windows;
    const std::optional<QString> inDevices = below(absolute, devices);
    if (inDevices && !inDevices->isEmpty()) {
        const QStringView entry = QStringView(*inDevices).sliced(1);
        const bool isDrive = entry.size() >= 2 && entry[0].isLetter() && entry[0].unicode() < 128
            && entry[1] == u':' && (entry.size() == 2 || entry[2] == u'/');
        if (isDrive) {
            windows = QString(entry[0].toUpper()) + u':' + (entry.size() == 2 ? QStringLiteral("\\") : entry.sliced(2).toString());
        } else if (entry.startsWith(u"unc/") && entry.size() > 4) {
            windows = QStringLiteral("//") + entry.sliced(4).toString();
        }
    }
    if (windows.isEmpty()) {
        QChar letter = u'Z';
        QString remainder = absolute;
        qsizetype longest = -1;
        for (const Drive& drive : drives(prefixFolder)) {
            for (const QString& root : {drive.target, drive.canonical}) {
                const std::optional<QString> rest = below(absolute, root);
                const qsizetype length = root == u"/" ? 0 : root.size();
                if (rest && length > longest) {
                    longest = length;
                    letter = drive.letter;
                    remainder = *rest;
                }
            }
        }
        windows = QString(letter) + u':' + (remainder.isEmpty() ? QStringLiteral("\\") : remainder);
    }
    windows.replace(u'/', u'\\');
    if (trailingSeparator && !windows.endsWith(u'\\'))
        windows += u'\\';
    return windows;
}

QString currentDirectory()
{
    QString windows = toWindows(QDir::currentPath());
    const bool isDriveRoot = windows.size() == 3 && windows[1] == u':';
    if (windows.endsWith(u'\\') && !isDriveRoot)
        windows.chop(1);
    return windows;
}

void setCurrentDirectory(QStringView windowsPath)
{
    const QString host = toHost(windowsPath);
    if (::chdir(QFile::encodeName(host).constData()) != 0)
        throwErrno(errno, windowsPath.toString(), false);
}

QString applicationFolder()
{
    const QString folder = QCoreApplication::instance()
        ? QCoreApplication::applicationDirPath()
        : QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    QString windows = toWindows(folder);
    if (!windows.endsWith(u'\\'))
        windows += u'\\';
    return windows;
}

} // namespace qn3::platform::paths
