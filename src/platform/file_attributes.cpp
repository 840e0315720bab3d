#include "platform/file_attributes.h"

#include "platform/runtime_error.h"
#include "platform/windows_path.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace qn3::platform::attributes {
namespace {

constexpr char XattrName[] = "user.DOSATTRIB";
// Only these bits are kept in the extended attribute; read-only lives in the mode.
constexpr uint32_t StoredBits = Hidden | System | Archive;

uint32_t readLe(const char* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(p[i]);
    return value;
}

// Reads the attribute bits from a "user.DOSATTRIB" value: Wine's and old
// Samba's "0x<hex>" text, or the binary value newer Samba writes after it
// (an empty text, its NUL, then a versioned record). Anything else is ignored,
// as Wine ignores it.
std::optional<uint32_t> parseDosAttrib(QByteArrayView value)
{
    const qsizetype nul = value.indexOf('\0');
    const QByteArrayView text = nul < 0 ? value : value.first(nul);
    if (nul >= 0) {
        // NDR layout: the text and its NUL, align to 2, uint16 version,
        // uint16 union level, align to 4, then the record.
        qsizetype pos = (nul + 1 + 1) & ~qsizetype(1);
        if (pos + 4 <= value.size()) {
            const uint32_t version = readLe(value.data() + pos, 2);
            pos = (pos + 4 + 3) & ~qsizetype(3);
            const qsizetype attribAt = version == 1 ? pos : pos + 4;
            if (version >= 1 && version <= 5 && attribAt + 4 <= value.size())
                return readLe(value.data() + attribAt, 4) & StoredBits;
        }
    }
    if (text.size() < 3 || !text.startsWith("0x"))
        return std::nullopt;
    bool ok = false;
    const uint32_t bits = text.sliced(2).toByteArray().toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return bits & StoredBits;
}

std::optional<uint32_t> readStoredBits(const QByteArray& host)
{
    char buffer[256];
    const ssize_t size = ::getxattr(host.constData(), XattrName, buffer, sizeof buffer);
    if (size <= 0)
        return std::nullopt; // none, not supported, or too long to be ours
    return parseDosAttrib(QByteArrayView(buffer, size));
}

// False when the file system cannot hold the value; other failures throw.
bool writeStoredBits(const QByteArray& host, uint32_t bits, const QString& what)
{
    const QByteArray text = "0x" + QByteArray::number(bits & StoredBits, 16);
    if (::setxattr(host.constData(), XattrName, text.constData(), size_t(text.size()), 0) == 0)
        return true;
    if (errno == ENOTSUP || errno == EPERM)
        return false;
    throwErrno(errno, what);
}

bool parentExists(const QString& hostPath)
{
    return QFileInfo(QFileInfo(hostPath).absolutePath()).isDir();
}

struct stat statOrThrow(const QString& hostPath, const QByteArray& host)
{
    struct stat st {};
    if (::stat(host.constData(), &st) != 0) {
        const int error = errno;
        throwErrno(error, hostPath, parentExists(hostPath));
    }
    return st;
}

bool isDotName(const QString& hostPath)
{
    const QString name = QFileInfo(hostPath).fileName();
    return name.startsWith(u'.') && name != u"." && name != u"..";
}

// What a file without a stored value reports for the stored bits.
uint32_t defaultStoredBits(const QString& hostPath, const struct stat& st)
{
    uint32_t bits = S_ISDIR(st.st_mode) ? 0 : Archive;
    if (isDotName(hostPath))
        bits |= Hidden;
    return bits;
}

mode_t processUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(value);
            }
        }
    }
    return 022;
}

constexpr mode_t AnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

mode_t modeFor(mode_t mode, bool readOnly)
{
    if (readOnly)
        return mode & ~AnyWrite;
    if (mode & AnyWrite)
        return mode;
    mode_t write = S_IWUSR;
    if (mode & S_IRGRP)
        write |= S_IWGRP;
    if (mode & S_IROTH)
        write |= S_IWOTH;
    return mode | (write & ~processUmask());
}

void chmodOrThrow(const QByteArray& host, mode_t mode, const QString& what)
{
    if (::chmod(host.constData(), mode & 07777) != 0)
        throwErrno(errno, what);
}

} // namespace

uint32_t getHost(const QString& hostPath)
{
    const QByteArray host = QFile::encodeName(hostPath);
    const struct stat st = statOrThrow(hostPath, host);
    uint32_t value = readStoredBits(host).value_or(defaultStoredBits(hostPath, st));
    if (S_ISDIR(st.st_mode))
        value |= Directory;
    if (!(st.st_mode & AnyWrite))
        value |= ReadOnly;
    return value == 0 ? Normal : value;
}

void setHost(const QString& hostPath, uint32_t value)
{
    const QByteArray host = QFile::encodeName(hostPath);
    const struct stat st = statOrThrow(hostPath, host);
    const bool directory = S_ISDIR(st.st_mode);
    const mode_t wanted = directory ? st.st_mode : modeFor(st.st_mode, value & ReadOnly);

    const uint32_t current = readStoredBits(host).value_or(defaultStoredBits(hostPath, st));
    if ((current & StoredBits) != (value & StoredBits)) {
        // Writing a user extended attribute needs write access to the file:
        // give it for the moment of the write when the file is read-only.
        const bool lend = !(st.st_mode & S_IWUSR);
        if (lend)
            chmodOrThrow(host, st.st_mode | S_IWUSR, hostPath);
        try {
            writeStoredBits(host, value, hostPath);
        } catch (...) {
            if (lend)
                ::chmod(host.constData(), st.st_mode & 07777);
            throw;
        }
        if (lend || wanted != st.st_mode)
            chmodOrThrow(host, wanted, hostPath);
        return;
    }
    if (wanted != st.st_mode)
        chmodOrThrow(host, wanted, hostPath);
}

// Failures name the path the caller gave, not the host path behind it.
template <class Action>
auto namingWindowsPath(QStringView windowsPath, Action action)
{
    try {
        return action(paths::toHost(windowsPath));
    } catch (const RuntimeError& error) {
        throw RuntimeError(error.number(), runtimeErrorText(error.number()) + QStringLiteral(": ") + windowsPath.toString());
    }
}

uint32_t get(QStringView windowsPath)
{
    return namingWindowsPath(windowsPath, [](const QString& host) { return getHost(host); });
}

void set(QStringView windowsPath, uint32_t value)
{
    namingWindowsPath(windowsPath, [value](const QString& host) { setHost(host, value); });
}

} // namespace qn3::platform::attributes
