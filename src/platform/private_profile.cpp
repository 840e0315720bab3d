#include "platform/private_profile.h"

#include "platform/ansi.h"
#include "platform/atomic_file.h"
#include "platform/file_stamp.h"
#include "platform/profile_text.h"
#include "platform/runtime_error.h"
#include "platform/windows_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtDebug>

#include <functional>
#include <memory>
#include <utility>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

// Sections: file encodings; the parsed-file cache; copying into the caller's
// buffer; the standard implementation.

namespace qn3::platform {
namespace {

using profile_text::Profile;

// ---- File encodings -------------------------------------------------------

enum class Encoding { Ansi, Utf16Le };

struct FileText {
    QString text;
    Encoding encoding = Encoding::Ansi;
    QByteArray oddTail; // a last lone byte of a UTF-16 file, kept as it was
};

FileText decodeFile(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xFF\xFE"))
        return {ansi::decode(bytes), Encoding::Ansi, {}};
    // Code units are copied as they are, so unpaired surrogates survive too.
    const qsizetype units = (bytes.size() - 2) / 2;
    QString text(units, Qt::Uninitialized);
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.constData()) + 2;
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
    return {text, Encoding::Utf16Le, bytes.size() % 2 ? bytes.right(1) : QByteArray()};
}

QByteArray encodeFile(const FileText& file, const QString& text)
{
    if (file.encoding == Encoding::Ansi)
        return ansi::encode(text);
    QByteArray bytes("\xFF\xFE");
    bytes.reserve(2 + 2 * text.size() + 1);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes + file.oddTail;
}

// ---- The parsed-file cache --------------------------------------------------

struct ParsedFile {
    FileStamp stamp;
    Profile profile;
};

struct Loaded {
    std::shared_ptr<const ParsedFile> file; // null when it could not be read
    uint32_t error = 0;
};

// Where a Windows file name lives on this machine.
struct Resolved {
    QString host;
    uint32_t error = 0;
};

Resolved resolve(QStringView fileName)
{
    if (fileName.trimmed().isEmpty())
        return {{}, win_error::AccessDenied};
    const bool bare = !fileName.contains(u'\\') && !fileName.contains(u'/');
    try {
        return {paths::toHost(bare ? QStringLiteral("C:\\Windows\\") + fileName.toString() : fileName.toString()), 0};
    } catch (const RuntimeError& e) {
        return {{}, e.number() == errors::BadFileName ? win_error::InvalidName : win_error::PathNotFound};
    }
}

uint32_t statError(int errnoValue)
{
    return errnoValue == ENOENT || errnoValue == ENOTDIR ? win_error::FileNotFound : win_error::AccessDenied;
}

// ---- Copying into the caller's buffer ----------------------------------------

ProfileRead copyValue(QStringView value, uint32_t size, uint32_t lastError)
{
    if (size == 0)
        return {{}, 0, win_error::MoreData};
    if (static_cast<uint64_t>(value.size()) <= size - 1)
        return {value.toString(), static_cast<uint32_t>(value.size()), lastError};
    return {value.first(size - 1).toString(), size - 1, win_error::MoreData};
}

// A list of names as the buffer receives it, each followed by NUL. Names
// stop being gathered once the buffer is overfull, so a file of millions of
// sections costs nothing more.
class NameList {
public:
    explicit NameList(uint32_t size) : size_(size) {}
    void add(QStringView name)
    {
        if (static_cast<uint64_t>(list_.size()) > size_)
            return;
        list_ += name;
        list_ += QChar(0);
    }
    ProfileRead result(uint32_t lastError) const
    {
        if (static_cast<uint64_t>(list_.size()) + 1 <= size_)
            return {list_, static_cast<uint32_t>(list_.size()), lastError};
        if (size_ < 2)
            return {{}, 0, win_error::MoreData};
        // The last name that fits is cut and the buffer ends with two NULs.
        return {list_.first(size_ - 2), size_ - 2, win_error::MoreData};
    }

private:
    uint32_t size_;
    QString list_;
};

// An argument as the A functions receive it: a C string, ending at the
// first NUL of the caller's text.
QStringView cString(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.first(nul);
}

// A section or key argument as the profile functions use it.
QStringView nameArgument(QStringView name) { return profile_text::trimSpaces(cString(name)); }

// The default as Windows copies it: trailing spaces (only spaces) dropped.
QStringView trimmedDefault(QStringView value)
{
    value = cString(value);
    while (value.endsWith(u' '))
        value.chop(1);
    return value;
}

// ---- The standard implementation --------------------------------------------

class StandardPrivateProfile final : public PrivateProfile {
public:
    ProfileRead readString(QStringView fileName, QStringView section, QStringView key, QStringView defaultValue,
                           uint32_t size) override
    {
        const Loaded loaded = load(fileName);
        if (!loaded.file)
            return copyValue(trimmedDefault(defaultValue), size, loaded.error);
        const profile_text::Profile& profile = loaded.file->profile;
        const profile_text::Span* found = profile.key(nameArgument(section), nameArgument(key));
        if (!found)
            return copyValue(trimmedDefault(defaultValue), size, 0);
        return copyValue(profile_text::unquote(profile.value(*found)), size, 0);
    }

    ProfileRead sectionNames(QStringView fileName, uint32_t size) override
    {
        const Loaded loaded = load(fileName);
        NameList names(size);
        if (loaded.file)
            for (const profile_text::Section& s : loaded.file->profile.sections)
                names.add(loaded.file->profile.view(s.name));
        return names.result(loaded.error);
    }

    ProfileRead keyNames(QStringView fileName, QStringView section, uint32_t size) override
    {
        const Loaded loaded = load(fileName);
        NameList names(size);
        if (loaded.file)
            if (const profile_text::Section* s = loaded.file->profile.section(nameArgument(section)))
                for (uint32_t i = s->firstKey; i < s->firstKey + s->keyCount; ++i)
                    names.add(loaded.file->profile.view(loaded.file->profile.keys[i]));
        return names.result(loaded.error);
    }

    ProfileWrite writeString(QStringView fileName, QStringView section, QStringView key, QStringView value) override
    {
        const QStringView s = nameArgument(section);
        const QStringView k = nameArgument(key);
        const QStringView v = cString(value);
        return edit(fileName, [&](QStringView text) { return profile_text::withValue(text, s, k, v); });
    }

    ProfileWrite deleteKey(QStringView fileName, QStringView section, QStringView key) override
    {
        const QStringView s = nameArgument(section);
        const QStringView k = nameArgument(key);
        return edit(fileName, [&](QStringView text) { return profile_text::withoutKey(text, s, k); });
    }

    ProfileWrite deleteSection(QStringView fileName, QStringView section) override
    {
        const QStringView s = nameArgument(section);
        return edit(fileName, [&](QStringView text) { return profile_text::withoutSection(text, s); });
    }

private:
    static constexpr qsizetype cacheLimit = 32;

    // The parsed file, from the cache while the file on disk is unchanged.
    Loaded load(QStringView fileName)
    {
        const Resolved where = resolve(fileName);
        if (where.error)
            return {nullptr, where.error};
        struct stat st {};
        if (::stat(QFile::encodeName(where.host).constData(), &st) != 0)
            return {nullptr, statError(errno)};
        if (S_ISREG(st.st_mode)) {
            const std::lock_guard lock(mutex_);
            const auto found = cache_.constFind(where.host);
            if (found != cache_.cend() && (*found)->stamp == FileStamp(st))
                return {*found, 0};
        }
        atomic_file::Contents read = atomic_file::read(where.host);
        if (read.status != atomic_file::ReadStatus::Ok)
            return {nullptr, refusal(where.host, read, "not read")};
        // The stamp of the very file read, in case it was replaced meanwhile.
        QString text = decodeFile(std::exchange(read.bytes, {})).text;
        auto parsed = std::make_shared<const ParsedFile>(
            ParsedFile{FileStamp(read.st), profile_text::parse(std::move(text))});
        if (!parsed->stamp.settled())
            return {parsed, 0};
        const std::lock_guard lock(mutex_);
        if (cache_.size() >= cacheLimit)
            cache_.clear();
        cache_.insert(where.host, parsed);
        return {parsed, 0};
    }

    // The Windows error of a file that cannot be used, traced when the file
    // is of a kind a settings file never is.
    static uint32_t refusal(const QString& host, const atomic_file::Contents& read, const char* outcome)
    {
        switch (read.status) {
        case atomic_file::ReadStatus::Missing: return win_error::FileNotFound;
        case atomic_file::ReadStatus::NotRegular:
            if (!S_ISDIR(read.st.st_mode))
                qWarning("INI file %s is not a regular file: %s", qPrintable(host), outcome);
            return win_error::AccessDenied;
        case atomic_file::ReadStatus::TooLarge:
            qWarning("INI file %s is larger than %lld bytes: %s", qPrintable(host),
                     static_cast<long long>(atomic_file::maxReadSize), outcome);
            return win_error::FileNotFound;
        default: return statError(read.error);
        }
    }

    ProfileWrite edit(QStringView fileName, const std::function<std::optional<QString>(QStringView)>& change)
    {
        const Resolved where = resolve(fileName);
        if (where.error)
            return {false, where.error};
        const QFileInfo info(where.host);
        if (!QFileInfo(info.absolutePath()).isDir())
            return {false, win_error::PathNotFound};
        // Held across read, change and replace: the suite's programs share
        // these files, and each must build on the other's last write.
        const atomic_file::Lock lock(where.host);
        forget(where.host); // stale once written, and a big file need not be held twice
        atomic_file::Contents read = atomic_file::read(where.host);
        const bool exists = read.status != atomic_file::ReadStatus::Missing;
        if (read.status == atomic_file::ReadStatus::TooLarge || read.status == atomic_file::ReadStatus::NotRegular) {
            refusal(where.host, read, "not written");
            return {false, win_error::AccessDenied};
        }
        if (exists) {
            // The write permission bits are the read-only attribute; they are
            // checked even for root, whom access() would let through.
            const QByteArray host = QFile::encodeName(where.host);
            if (read.status != atomic_file::ReadStatus::Ok || (read.st.st_mode & 0222) == 0
                || ::access(host.constData(), W_OK) != 0)
                return {false, win_error::AccessDenied};
        }
        const FileText current = decodeFile(std::exchange(read.bytes, {}));
        const std::optional<QString> changed = change(current.text);
        if (!changed && exists)
            return {true, 0};
        // A delete on a missing file still leaves an empty file, as Windows does.
        const int error = atomic_file::replace(where.host, changed ? encodeFile(current, *changed) : QByteArray());
        if (error != 0)
            return {false, win_error::fromErrno(error)};
        return {true, 0};
    }

    void forget(const QString& host)
    {
        const std::lock_guard lock(mutex_);
        cache_.remove(host);
    }

    std::mutex mutex_;
    QHash<QString, std::shared_ptr<const ParsedFile>> cache_;
};

} // namespace

PrivateProfile& PrivateProfile::standard()
{
    static StandardPrivateProfile instance;
    return instance;
}

} // namespace qn3::platform
