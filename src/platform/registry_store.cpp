#include "platform/registry_store.h"

#include "platform/atomic_file.h"
#include "platform/file_stamp.h"
#include "platform/registry_hive.h"
#include "platform/regular_file.h"
#include "platform/windows_error.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

// Sections: where the hives live; the copy of a hive in memory; the store.

namespace qn3::platform {
namespace {

using registry_hive::Hive;

// ---- Where the hives live ------------------------------------------------------

struct HiveFile {
    QString path;
    QString rootName;
    uint32_t root = 0;
};

std::optional<HiveFile> hiveFile(uint32_t root)
{
    if (root == HKEY_CURRENT_USER)
        return HiveFile{paths::prefix() + QStringLiteral("/user.reg"), QStringLiteral("HKEY_CURRENT_USER"), root};
    if (root == HKEY_LOCAL_MACHINE)
        return HiveFile{paths::prefix() + QStringLiteral("/system.reg"), QStringLiteral("HKEY_LOCAL_MACHINE"), root};
    return std::nullopt;
}

// A prefix without a hive is a new Windows profile, which already holds a few
// values the program reads: every current Windows runs with its visual theme
// on. They are saved with the first change, as any other value.
Hive freshHive(uint32_t root)
{
    Hive hive;
    if (root == HKEY_CURRENT_USER)
        hive.set(hive.make(u"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"), u"ThemeActive", REG_SZ,
                 QByteArrayView("1", 2));
    return hive;
}

// Holds an exclusive lock on "<hive>.lock" so that two processes changing
// the same hive take turns (each reads the other's save before changing it).
class HiveLock {
public:
    explicit HiveLock(const QString& hivePath)
        : fd_(regular_file::open(hivePath + QStringLiteral(".lock"), O_RDWR | O_CREAT, 0644).release())
    {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) == 0)
            atomic_file::removeStaleTemporaries(hivePath); // left by killed writers
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_;
};

// ---- The copy of a hive in memory -----------------------------------------------

struct LoadedHive {
    bool trusted = false; // the stamp identifies what `hive` was read from
    bool present = false; // the file exists
    FileStamp stamp;
    QByteArray text;      // the file as read, kept for the ".bad" copy
    Hive hive;
};

// Brings `loaded` up to date with the file on disk. A hive that is not a
// regular file, or is beyond the size limit, is neither read nor saved over.
int32_t refresh(const HiveFile& file, LoadedHive& loaded)
{
    const QByteArray host = QFile::encodeName(file.path);
    struct stat st {};
    if (::stat(host.constData(), &st) == 0 && loaded.trusted && loaded.present && loaded.stamp == FileStamp(st))
        return 0;
    atomic_file::Contents read = atomic_file::read(file.path);
    switch (read.status) {
    case atomic_file::ReadStatus::Ok: break;
    case atomic_file::ReadStatus::Missing:
        if (loaded.present || !loaded.trusted)
            loaded = LoadedHive{true, false, {}, {}, freshHive(file.root)};
        return 0;
    case atomic_file::ReadStatus::NotRegular:
        qWarning("registry hive %s is not a regular file: not used", qPrintable(file.path));
        return win_error::RegistryIoFailed;
    case atomic_file::ReadStatus::TooLarge:
        qWarning("registry hive %s is larger than %lld bytes: not used", qPrintable(file.path),
                 static_cast<long long>(atomic_file::maxReadSize));
        return win_error::RegistryIoFailed;
    case atomic_file::ReadStatus::Failed: return win_error::RegistryIoFailed;
    }
    // The parse of the previous text goes before the next one is made.
    loaded = LoadedHive{};
    const FileStamp stamp(read.st);
    Hive hive = registry_hive::parse(read.bytes);
    loaded = LoadedHive{stamp.settled(), true, stamp, std::move(read.bytes), std::move(hive)};
    if (loaded.hive.damagedLines > 0)
        qWarning("registry hive %s: %d damaged line(s) skipped", qPrintable(file.path), loaded.hive.damagedLines);
    return 0;
}

// Saves the hive; a damaged file is first copied to "<hive>.bad", readable by
// no one the hive itself does not let read it.
int32_t save(const HiveFile& file, LoadedHive& loaded)
{
    QDir().mkpath(QFileInfo(file.path).absolutePath());
    const QByteArray host = QFile::encodeName(file.path);
    struct stat st {};
    const bool exists = ::stat(host.constData(), &st) == 0;
    if (exists && (st.st_mode & 0222) == 0)
        return win_error::AccessDenied;
    if (loaded.present && loaded.hive.damagedLines > 0
        && atomic_file::replace(file.path + QStringLiteral(".bad"), loaded.text,
                                exists ? std::optional<mode_t>(st.st_mode & 07777) : std::nullopt) != 0)
        return win_error::RegistryIoFailed;
    const QByteArray text = registry_hive::serialize(loaded.hive, file.rootName);
    if (const int error = atomic_file::replace(file.path, text); error != 0)
        return win_error::fromErrno(error) == win_error::AccessDenied ? win_error::AccessDenied
                                                                       : win_error::RegistryIoFailed;
    loaded.present = true;
    loaded.text = text;
    loaded.hive.damagedLines = 0;
    loaded.trusted = ::stat(host.constData(), &st) == 0;
    if (loaded.trusted) {
        loaded.stamp = FileStamp(st);
        loaded.trusted = loaded.stamp.settled();
    }
    return 0;
}

RegistryQuery failure(uint32_t code)
{
    RegistryQuery query;
    query.code = static_cast<int32_t>(code);
    return query;
}

// ---- The store ----------------------------------------------------------------------

class StandardRegistryStore final : public RegistryStore {
public:
    int32_t createKey(uint32_t root, QStringView subKey, RegistryKey& key) override
    {
        const std::optional<HiveFile> file = hiveFile(root);
        if (!file)
            return win_error::InvalidHandle;
        if (subKey.startsWith(u'\\'))
            return win_error::BadPathname;
        const std::lock_guard guard(mutex_);
        LoadedHive& loaded = hives_[file->path];
        if (const int32_t code = refresh(*file, loaded))
            return code;
        if (const std::optional<QString> spelt = loaded.hive.spelling(subKey)) {
            key = RegistryKey{root, *spelt};
            return 0;
        }
        const HiveLock lock(file->path);
        if (const int32_t code = refresh(*file, loaded))
            return code;
        try {
            loaded.hive.make(subKey);
        } catch (const registry_hive::Refused& refused) {
            return static_cast<int32_t>(refused.code);
        }
        const QString path = loaded.hive.spelling(subKey).value_or(QString());
        if (const int32_t code = save(*file, loaded)) {
            loaded.trusted = false; // drop the unsaved key
            return code;
        }
        key = RegistryKey{root, path};
        return 0;
    }

    RegistryQuery queryValue(const RegistryKey& key, QStringView valueName, std::optional<uint32_t> bufferSize) override
    {
        const std::optional<HiveFile> file = hiveFile(key.root);
        if (!file)
            return failure(win_error::InvalidHandle);
        const std::lock_guard guard(mutex_);
        LoadedHive& loaded = hives_[file->path];
        if (const int32_t code = refresh(*file, loaded))
            return failure(code);
        const std::optional<registry_hive::KeyId> found = loaded.hive.key(key.path);
        if (!found)
            return failure(win_error::KeyDeleted);
        const registry_hive::Value* value = loaded.hive.value(*found, valueName);
        if (!value)
            return failure(win_error::FileNotFound);
        const auto size = static_cast<uint32_t>(value->data.size());
        if (!bufferSize)
            return {0, value->type, size, {}};
        if (*bufferSize < size)
            return {static_cast<int32_t>(win_error::MoreData), value->type, size, {}};
        return {0, value->type, size, value->data};
    }

    int32_t setValue(const RegistryKey& key, QStringView valueName, uint32_t type, QByteArrayView data) override
    {
        const std::optional<HiveFile> file = hiveFile(key.root);
        if (!file)
            return win_error::InvalidHandle;
        const std::lock_guard guard(mutex_);
        LoadedHive& loaded = hives_[file->path];
        const HiveLock lock(file->path);
        if (const int32_t code = refresh(*file, loaded))
            return code;
        const std::optional<registry_hive::KeyId> found = loaded.hive.key(key.path);
        if (!found)
            return win_error::KeyDeleted;
        try {
            if (!loaded.hive.set(*found, valueName, type, data))
                return 0;
        } catch (const registry_hive::Refused& refused) {
            return static_cast<int32_t>(refused.code);
        }
        if (const int32_t code = save(*file, loaded)) {
            loaded.trusted = false; // drop the unsaved value
            return code;
        }
        return 0;
    }

private:
    std::mutex mutex_;
    std::map<QString, LoadedHive> hives_; // by hive path: tests change the prefix
};

} // namespace

RegistryStore& RegistryStore::standard()
{
    static StandardRegistryStore instance;
    return instance;
}

} // namespace qn3::platform
