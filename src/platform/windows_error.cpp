#include "platform/windows_error.h"

#include <cerrno>

namespace qn3::platform::win_error {

uint32_t fromErrno(int errnoValue)
{
    switch (errnoValue) {
    case 0:
        return Success;
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    case ENAMETOOLONG:
        return InvalidName;
    default:
        return WriteFault;
    }
}

} // namespace qn3::platform::win_error
