#include "recordmanager/companion_files.h"

#include "platform/regular_file.h"

#include "recordmanager/record_file_common.h"
#include "recordmanager/record_manager_codes.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn3::recordmanager::detail {
namespace {

// The log's layout as SQLite writes it: a 32-byte header (magic, version,
// page size, checkpoint number, two salts, two checksum words), then frames
// of a 24-byte header (page number, file size in pages after a commit or 0,
// the two salts, two checksum words) and one page each. Integers big-endian.
constexpr uint32_t LogMagic = 0x377f0682; // the low bit chooses the checksum's byte order
constexpr uint32_t LogVersion = 3007000;
constexpr size_t LogHeaderSize = 32;
constexpr size_t FrameHeaderSize = 24;
// SQLite's reserved lock: held by a process writing the file through a
// rollback journal, from its first change to the end of its transaction.
constexpr off_t ReservedLockByte = 0x40000001;

uint32_t bigEndian32(const unsigned char* p)
{
    return uint32_t { p[0] } << 24 | uint32_t { p[1] } << 16 | uint32_t { p[2] } << 8 | p[3];
}

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t { p[3] } << 24 | uint32_t { p[2] } << 16 | uint32_t { p[1] } << 8 | p[0];
}

// SQLite's running checksum of a log, over pairs of 32-bit words.
void addChecksum(bool bigEndian, const unsigned char* bytes, size_t size, uint32_t sum[2])
{
    for (size_t at = 0; at + 8 <= size; at += 8) {
        sum[0] += (bigEndian ? bigEndian32(bytes + at) : littleEndian32(bytes + at)) + sum[1];
        sum[1] += (bigEndian ? bigEndian32(bytes + at + 4) : littleEndian32(bytes + at + 4)) + sum[0];
    }
}

bool checksumMatches(const uint32_t sum[2], const unsigned char* stored)
{
    return sum[0] == bigEndian32(stored) && sum[1] == bigEndian32(stored + 4);
}

platform::regular_file::Opened openByName(const std::string& hostPath)
{
    return platform::regular_file::open(hostPath.c_str(), O_RDONLY);
}

// SQLite plays a journal back only when its first byte is not zero (a
// journal whose header was zeroed is finished); one it cannot read it
// counts as hot.
bool isHotJournal(const std::string& journalPath)
{
    const platform::regular_file::Opened opened = openByName(journalPath);
    if (opened.notRegular)
        return false;
    if (opened.fd() < 0)
        return opened.error != ENOENT;
    unsigned char first = 0;
    return ::pread(opened.fd(), &first, 1, 0) != 1 || first != 0;
}

bool reservedLockHeld(int fd)
{
    struct flock lock { };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = ReservedLockByte;
    lock.l_len = 1;
    return ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// "-journal.stray-20261207-141503", in local time like the program's traces.
std::string strayName(const std::string& hostPath)
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return hostPath + "-journal.stray-" + stamp;
}

} // namespace

bool logHoldsCommit(int fd)
{
    unsigned char header[LogHeaderSize];
    const ssize_t read = ::pread(fd, header, sizeof header, 0);
    if (read < 0)
        return true;
    if (read != static_cast<ssize_t>(sizeof header))
        return false;
    const uint32_t magic = bigEndian32(header);
    const uint32_t pageSize = bigEndian32(header + 8);
    if ((magic & ~1u) != LogMagic || pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return false;
    const bool bigEndian = magic & 1;
    uint32_t sum[2] = { 0, 0 };
    addChecksum(bigEndian, header, 24, sum);
    if (!checksumMatches(sum, header + 24))
        return false;
    if (bigEndian32(header + 4) != LogVersion)
        return true;
    // Frames count while each carries the header's salts and continues the
    // checksum; the log holds what its last commit frame among them closes.
    std::vector<unsigned char> frame(FrameHeaderSize + pageSize);
    for (off_t at = LogHeaderSize;; at += static_cast<off_t>(frame.size())) {
        const ssize_t got = ::pread(fd, frame.data(), frame.size(), at);
        if (got < 0)
            return true;
        if (got != static_cast<ssize_t>(frame.size()) || std::memcmp(frame.data() + 8, header + 16, 8) != 0
            || bigEndian32(frame.data()) == 0)
            return false;
        addChecksum(bigEndian, frame.data(), 8, sum);
        addChecksum(bigEndian, frame.data() + FrameHeaderSize, pageSize, sum);
        if (!checksumMatches(sum, frame.data() + 16))
            return false;
        if (bigEndian32(frame.data() + 4) != 0)
            return true;
    }
}

LogContent logContent(const std::string& logPath)
{
    struct stat log { };
    if (::stat(logPath.c_str(), &log) != 0)
        return errno == ENOENT ? LogContent::None : LogContent::Commits;
    if (S_ISREG(log.st_mode) && log.st_size == 0)
        return LogContent::Empty;
    const platform::regular_file::Opened opened = openByName(logPath);
    if (opened.fd() < 0)
        return opened.error == ENOENT ? LogContent::None : LogContent::Commits;
    return logHoldsCommit(opened.fd()) ? LogContent::Commits : LogContent::Empty;
}

int16_t setStrayJournalAside(const std::string& hostPath, int fd, std::string& aside)
{
    aside.clear();
    const std::string journal = hostPath + "-journal";
    if (!isHotJournal(journal))
        return status::Success;
    if (reservedLockHeld(fd))
        return status::FileInUse;
    const std::string name = strayName(hostPath);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string candidate = attempt == 1 ? name : name + "-" + std::to_string(attempt);
        if (::renameat2(AT_FDCWD, journal.c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE) == 0) {
            aside = candidate;
            return status::Success;
        }
        if (errno == ENOENT) // another process set it aside first
            return status::Success;
        if (errno != EEXIST)
            return statusOfErrno(errno);
    }
    return status::IoError;
}

void putJournalBack(const std::string& hostPath, const std::string& aside)
{
    if (!aside.empty())
        ::renameat2(AT_FDCWD, aside.c_str(), AT_FDCWD, (hostPath + "-journal").c_str(), RENAME_NOREPLACE);
}

} // namespace qn3::recordmanager::detail
