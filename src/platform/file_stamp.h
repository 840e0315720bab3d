#pragma once

#include <ctime>
#include <sys/stat.h>

// What identifies one version of a file's content, so a parsed copy can be
// kept until the file changes on disk. Atomic replacement gives a new inode;
// an in-place edit changes the size or the times, and the change time cannot
// be set back by the editor.
namespace qn3::platform {

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    FileStamp() = default;
    explicit FileStamp(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim), changed(st.st_ctim)
    {
    }
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec
            && modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec
            && changed.tv_nsec == o.changed.tv_nsec;
    }

    // File times advance by the kernel's clock tick, not by the nanosecond: a
    // second same-size write within the tick of the first keeps every field.
    // A copy read once that tick is over cannot miss a later write; a fresher
    // one must be read again next time.
    bool settled() const
    {
        constexpr long long settleNs = 50'000'000;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const long long age = (now.tv_sec - changed.tv_sec) * 1'000'000'000LL + (now.tv_nsec - changed.tv_nsec);
        return age > settleNs;
    }
};

} // namespace qn3::platform
