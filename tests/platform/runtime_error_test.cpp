#include "platform_test_files.h"

#include <cerrno>

namespace qn3::platform {
namespace {

TEST(RuntimeErrorTest, ErrnoMapsToTheRunTimeErrorTheRulesExpectWithItsStandardText)
{
    using namespace errors;
    const std::pair<int, int32_t> rows[] = {
        {ENOENT, FileNotFound}, {ENOTDIR, PathNotFound}, {ELOOP, PathNotFound}, {EACCES, PathFileAccessError},
        {EPERM, PathFileAccessError}, {EROFS, PathFileAccessError}, {EISDIR, PathFileAccessError},
        {ENOTEMPTY, PathFileAccessError}, {EEXIST, PathFileAccessError}, {ENAMETOOLONG, PathFileAccessError},
        {EAGAIN, PermissionDenied}, {EWOULDBLOCK, PermissionDenied}, {EBUSY, PermissionDenied},
        {ETXTBSY, PermissionDenied}, {EXDEV, RenameAcrossDrives}, {ENOSPC, DiskFull}, {EDQUOT, DiskFull},
        {EFBIG, DiskFull}, {EMFILE, TooManyFiles}, {ENFILE, TooManyFiles}, {EIO, DeviceIoError},
        {ENXIO, DeviceUnavailable}, {ENODEV, DeviceUnavailable}, {ENOMEDIUM, DiskNotReady}, {EBADF, BadFileName},
        {ENOMEM, OutOfMemory}, {EINVAL, InvalidProcedureCall},
        // Whatever the table does not know is an access error, never success.
        {ESTALE, PathFileAccessError}};
    for (const auto& [errnoValue, number] : rows) {
        EXPECT_EQ(runtimeErrorFromErrno(errnoValue, true), number) << "errno " << errnoValue;
        // Only a missing entry depends on its folder.
        EXPECT_EQ(runtimeErrorFromErrno(errnoValue, false), errnoValue == ENOENT ? PathNotFound : number) << errnoValue;
    }

    const RuntimeError missing =
        testing::thrownBy([] { throwErrno(ENOENT, QStringLiteral("C:\\x.txt"), false); }).value();
    EXPECT_EQ(missing.number(), errors::PathNotFound);
    EXPECT_EQ(missing.description(), QStringLiteral("Path not found: C:\\x.txt"));
    EXPECT_STREQ(missing.what(), "Path not found: C:\\x.txt");
    EXPECT_EQ(testing::thrownBy([] { throwErrno(ENOSPC, QString()); }).value().description(),
              QStringLiteral("Disk full"));

    const std::pair<int32_t, const char*> texts[] = {
        {5, "Invalid procedure call or argument"}, {13, "Type mismatch"}, {52, "Bad file name or number"},
        {53, "File not found"}, {58, "File already exists"}, {68, "Device unavailable"}, {70, "Permission denied"},
        {74, "Can't rename with different drive"}, {75, "Path/File access error"}, {76, "Path not found"},
        {91, "Object variable or With block variable not set"},
        {12345, "Application-defined or object-defined error"}};
    for (const auto& [number, text] : texts)
        EXPECT_EQ(runtimeErrorText(number), QString::fromLatin1(text)) << number;
}

} // namespace
} // namespace qn3::platform
