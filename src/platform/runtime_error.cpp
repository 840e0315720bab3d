#include "platform/runtime_error.h"

#include <cerrno>

namespace qn3::platform {

RuntimeError::RuntimeError(int32_t number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source)),
      what_(description_.toUtf8())
{
}

QString runtimeErrorText(int32_t number)
{
    using namespace errors;
    switch (number) {
    case InvalidProcedureCall: return QStringLiteral("Invalid procedure call or argument");
    case Overflow: return QStringLiteral("Overflow");
    case OutOfMemory: return QStringLiteral("Out of memory");
    case SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case TypeMismatch: return QStringLiteral("Type mismatch");
    case BadFileName: return QStringLiteral("Bad file name or number");
    case FileNotFound: return QStringLiteral("File not found");
    case BadFileMode: return QStringLiteral("Bad file mode");
    case DeviceIoError: return QStringLiteral("Device I/O error");
    case FileAlreadyExists: return QStringLiteral("File already exists");
    case DiskFull: return QStringLiteral("Disk full");
    case TooManyFiles: return QStringLiteral("Too many files");
    case DeviceUnavailable: return QStringLiteral("Device unavailable");
    case PermissionDenied: return QStringLiteral("Permission denied");
    case DiskNotReady: return QStringLiteral("Disk not ready");
    case RenameAcrossDrives: return QStringLiteral("Can't rename with different drive");
    case PathFileAccessError: return QStringLiteral("Path/File access error");
    case PathNotFound: return QStringLiteral("Path not found");
    case ObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

int32_t runtimeErrorFromErrno(int errnoValue, bool parentExists)
{
    using namespace errors;
    switch (errnoValue) {
    case ENOENT: return parentExists ? FileNotFound : PathNotFound;
    case ENOTDIR:
    case ELOOP: return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ENOTEMPTY:
    case EEXIST:
    case ENAMETOOLONG: return PathFileAccessError;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY: return PermissionDenied;
    case EXDEV: return RenameAcrossDrives;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return DiskFull;
    case EMFILE:
    case ENFILE: return TooManyFiles;
    case EIO: return DeviceIoError;
    case ENXIO:
    case ENODEV: return DeviceUnavailable;
    case ENOMEDIUM: return DiskNotReady;
    case EBADF: return BadFileName;
    case ENOMEM: return OutOfMemory;
    case EINVAL: return InvalidProcedureCall;
    default: return PathFileAccessError;
    }
}

void throwErrno(int errnoValue, const QString& what, bool parentExists)
{
    const int32_t number = runtimeErrorFromErrno(errnoValue, parentExists);
    QString text = runtimeErrorText(number);
    if (!what.isEmpty())
        text += QStringLiteral(": ") + what;
    throw RuntimeError(number, text);
}

} // namespace qn3::platform
