#pragma once

#include <cstdint>

// Operation codes, open modes and statuses of BTRCALL, for its callers.
namespace qn3::recordmanager {

namespace op {
inline constexpr uint16_t Open = 0;
inline constexpr uint16_t Close = 1;
inline constexpr uint16_t Insert = 2;
inline constexpr uint16_t Update = 3;
inline constexpr uint16_t Delete = 4;
inline constexpr uint16_t GetEqual = 5;
inline constexpr uint16_t GetNext = 6;
inline constexpr uint16_t GetPrevious = 7;
inline constexpr uint16_t GetGreater = 8;
inline constexpr uint16_t GetGreaterOrEqual = 9;
inline constexpr uint16_t GetLessThan = 10;
inline constexpr uint16_t GetLessOrEqual = 11;
inline constexpr uint16_t GetFirst = 12;
inline constexpr uint16_t GetLast = 13;
inline constexpr uint16_t Create = 14;
inline constexpr uint16_t BeginTransaction = 19;
inline constexpr uint16_t EndTransaction = 20;
inline constexpr uint16_t AbortTransaction = 21;
inline constexpr uint16_t GetPosition = 22;
inline constexpr uint16_t GetDirect = 23;
inline constexpr uint16_t BeginConcurrentTransaction = 1019;
} // namespace op

// Open modes, passed as the key number of an Open.
namespace mode {
inline constexpr int16_t Normal = 0;
inline constexpr int16_t Accelerated = -1;
inline constexpr int16_t ReadOnly = -2;
inline constexpr int16_t Verify = -3;
inline constexpr int16_t Exclusive = -4;
} // namespace mode

// Create modes, passed as the key number of a Create.
namespace createmode {
inline constexpr int16_t Replace = 0;
inline constexpr int16_t KeepExisting = -1;
} // namespace createmode

// Key flags of a key description.
namespace keyflag {
inline constexpr uint16_t Duplicates = 1;
inline constexpr uint16_t Modifiable = 2;
inline constexpr uint16_t Binary = 4;
inline constexpr uint16_t Segmented = 16;
inline constexpr uint16_t CaseInsensitive = 1024;
} // namespace keyflag

namespace status {
inline constexpr int16_t Success = 0;
inline constexpr int16_t InvalidOperation = 1;
inline constexpr int16_t IoError = 2;
inline constexpr int16_t FileNotOpen = 3;
inline constexpr int16_t KeyNotFound = 4;
inline constexpr int16_t DuplicateKey = 5;
inline constexpr int16_t InvalidKeyNumber = 6;
inline constexpr int16_t KeyNumberChanged = 7;
inline constexpr int16_t InvalidPositioning = 8;
inline constexpr int16_t EndOfFile = 9;
inline constexpr int16_t KeyNotModifiable = 10;
inline constexpr int16_t InvalidFileName = 11;
inline constexpr int16_t FileNotFound = 12;
inline constexpr int16_t DiskFull = 18;
inline constexpr int16_t KeyBufferTooShort = 21;
inline constexpr int16_t DataBufferLength = 22;
inline constexpr int16_t InvalidPageSize = 24;
inline constexpr int16_t InvalidNumberOfKeys = 26;
inline constexpr int16_t InvalidKeyPosition = 27;
inline constexpr int16_t InvalidRecordLength = 28;
inline constexpr int16_t InvalidKeyLength = 29;
inline constexpr int16_t NotARecordFile = 30;
inline constexpr int16_t TransactionActive = 37;
inline constexpr int16_t NoTransaction = 39;
inline constexpr int16_t InvalidRecordAddress = 43;
inline constexpr int16_t AccessDenied = 46;
inline constexpr int16_t FileExists = 59;
inline constexpr int16_t Conflict = 80;
inline constexpr int16_t RecordInUse = 84;
inline constexpr int16_t FileInUse = 85;
inline constexpr int16_t IncompatibleMode = 88;
} // namespace status

// Size of the position block the caller keeps per open file.
inline constexpr int PositionBlockSize = 128;
// Size of a creation buffer: header and nine key descriptions.
inline constexpr int CreationBufferSize = 160;

} // namespace qn3::recordmanager
