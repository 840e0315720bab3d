#include "platform/runtime_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace qn3::platform {
namespace {

struct ErrnoRow {
    int errnoValue;
    bool parentExists;
    int32_t number;
};

TEST(RuntimeErrorTest, ErrnoMapsToTheRunTimeErrorTheRulesExpect)
{
    using namespace errors;
    const ErrnoRow rows[] = {
        {ENOENT, true, FileNotFound}, {ENOENT, false, PathNotFound}, {ENOTDIR, true, PathNotFound},
        {ELOOP, true, PathNotFound}, {EACCES, true, PathFileAccessError}, {EPERM, true, PathFileAccessError},
        {EROFS, true, PathFileAccessError}, {EISDIR, true, PathFileAccessError},
        {ENOTEMPTY, true, PathFileAccessError}, {EEXIST, true, PathFileAccessError},
        {ENAMETOOLONG, true, PathFileAccessError}, {EAGAIN, true, PermissionDenied},
        {EWOULDBLOCK, true, PermissionDenied}, {EBUSY, true, PermissionDenied}, {ETXTBSY, true, PermissionDenied},
        {EXDEV, true, RenameAcrossDrives}, {ENOSPC, true, DiskFull}, {EDQUOT, true, DiskFull},
        {EFBIG, true, DiskFull}, {EMFILE, true, TooManyFiles}, {ENFILE, true, TooManyFiles},
        {EIO, true, DeviceIoError}, {ENXIO, true, DeviceUnavailable}, {ENODEV, true, DeviceUnavailable},
        {ENOMEDIUM, true, DiskNotReady}, {EBADF, true, BadFileName}, {ENOMEM, true, OutOfMemory},
        {EINVAL, true, InvalidProcedureCall},
        // Whatever the table does not know is an access error, never success.
        {ESTALE, true, PathFileAccessError},
    };
    for (const ErrnoRow& row : rows) {
        EXPECT_EQ(runtimeErrorFromErrno(row.errnoValue, row.parentExists), row.number)
            << "errno " << row.errnoValue << " parentExists " << row.parentExists;
        if (row.errnoValue != ENOENT) { // only a missing entry depends on its folder
            EXPECT_EQ(runtimeErrorFromErrno(row.errnoValue, !row.parentExists), row.number) << row.errnoValue;
        }
    }
}

TEST(RuntimeErrorTest, StandardTextsAndWhatThrowErrnoCarries)
{
    try {
        throwErrno(ENOENT, QStringLiteral("C:\\x.txt"), false);
        FAIL() << "nothing thrown";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), errors::PathNotFound);
        EXPECT_EQ(error.description(), QStringLiteral("Path not found: C:\\x.txt"));
        EXPECT_STREQ(error.what(), "Path not found: C:\\x.txt");
    }
    try {
        throwErrno(ENOSPC, QString());
        FAIL() << "nothing thrown";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Disk full"));
    }

    struct Text {
        int32_t number;
        const char* text;
    };
    const Text texts[] = {
        {5, "Invalid procedure call or argument"}, {13, "Type mismatch"}, {52, "Bad file name or number"},
        {53, "File not found"}, {58, "File already exists"}, {68, "Device unavailable"}, {70, "Permission denied"},
        {74, "Can't rename with different drive"}, {75, "Path/File access error"}, {76, "Path not found"},
        {91, "Object variable or With block variable not set"},
        {12345, "Application-defined or object-defined error"},
    };
    for (const Text& t : texts)
        EXPECT_EQ(runtimeErrorText(t.number), QString::fromLatin1(t.text)) << t.number;
}

} // namespace
} // namespace qn3::platform
