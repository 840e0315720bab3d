#pragma once

#include "platform/installable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The registry, as the ANSI registry calls (RegCreateKeyA, RegQueryValueExA,
// RegSetValueExA) see it.
//
// Two roots, each a text hive in the prefix folder that an administrator may
// read and edit (docs/registry-hives.md): HKEY_CURRENT_USER in "user.reg",
// HKEY_LOCAL_MACHINE in "system.reg". Key and value names compare without
// regard to case and keep the spelling they were made with. REG_SZ and
// REG_EXPAND_SZ hold ANSI text with its terminating NUL (never expanded),
// REG_DWORD four bytes, low byte first; any other type is kept as it is.
//
// Every call looks at the hive file again, so a change made by another process
// or an administrator is seen at once. Every change is saved before the call
// returns, atomically (the old or the new file, never a mix). Damaged lines of
// a hive are skipped; before a hive with damaged lines is saved over, its
// text is kept beside it as "<hive>.bad".
//
// Results are the Windows error codes: 0 success, 2 value not found, 5 access
// denied (hive file without write permission), 6 unknown root, 87 key path
// beyond the limits, 161 bad key
// path, 234 more data, 1016 hive cannot be read or written, 1018 key removed
// from the hive since it was opened.
namespace qn3::platform {

inline constexpr uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_DWORD = 4;

// An open key. Nothing is held for it, so there is nothing to close.
struct RegistryKey {
    uint32_t root = 0;
    QString path; // as spelt in the hive
};

// What RegQueryValueExA leaves for its caller.
struct RegistryQuery {
    int32_t code = 0;
    uint32_t type = 0;  // the value's type (0 when it is missing)
    uint32_t size = 0;  // the data's size in bytes, also when it did not fit
    QByteArray data;    // the data, when it fitted the buffer
};

class RegistryStore : public Installable<RegistryStore> {
public:
    static RegistryStore& standard();
    virtual ~RegistryStore() = default;

    // RegCreateKeyA: opens `subKey` below `root`, making it and its missing
    // parents when absent (an empty `subKey` opens the root). A leading "\"
    // gives 161; a name longer than 255 characters or more than 512 levels
    // gives 87; empty names inside the path are ignored.
    virtual int32_t createKey(uint32_t root, QStringView subKey, RegistryKey& key) = 0;

    // RegQueryValueExA on `valueName` ("" = the key's default value).
    // `bufferSize` is the caller's data size; nullopt stands for no data
    // buffer (type and size only, code 0). Missing value: 2. Data larger
    // than the buffer: 234 with the size needed and no data.
    virtual RegistryQuery queryValue(const RegistryKey& key, QStringView valueName,
                                     std::optional<uint32_t> bufferSize) = 0;

    // RegSetValueExA: stores `data` as given under `type` (for REG_SZ the
    // caller includes the terminating NUL, or passes nothing for an empty
    // value of size 0). Setting the same type and data again writes nothing.
    virtual int32_t setValue(const RegistryKey& key, QStringView valueName, uint32_t type, QByteArrayView data) = 0;
};

} // namespace qn3::platform
