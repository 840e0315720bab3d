#pragma once

#include <QString>

#include <cstdint>
#include <exception>

// How a platform function reports a failure: the run-time error number the
// program's rules know (53 file not found, 76 path not found, ...), a text, and
// the component that raised it. Services catch it in their trap and go on.
namespace qn3::platform {

namespace errors {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t BadFileName = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t BadFileMode = 54;
inline constexpr int32_t DeviceIoError = 57;
inline constexpr int32_t FileAlreadyExists = 58;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t TooManyFiles = 67;
inline constexpr int32_t DeviceUnavailable = 68;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t DiskNotReady = 71;
inline constexpr int32_t RenameAcrossDrives = 74;
inline constexpr int32_t PathFileAccessError = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
} // namespace errors

class RuntimeError : public std::exception {
public:
    RuntimeError(int32_t number, QString description, QString source = QStringLiteral("QN3_Tools_Vandrel"));

    int32_t number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int32_t number_;
    QString description_;
    QString source_;
    QByteArray what_;
};

// The standard text of a run-time error number ("File not found" for 53).
QString runtimeErrorText(int32_t number);

// Turns an errno value into the run-time error the rules expect. ENOENT says
// "file not found" when the missing name's folder exists (`parentExists`) and
// "path not found" otherwise, as Windows tells the two apart.
int32_t runtimeErrorFromErrno(int errnoValue, bool parentExists = true);

// Throws the RuntimeError for `errnoValue`; `what` (usually the path) ends the text.
[[noreturn]] void throwErrno(int errnoValue, const QString& what, bool parentExists = true);

} // namespace qn3::platform
