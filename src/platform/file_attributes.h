#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// DOS file attributes of files on this machine.
//
// Read-only lives in the write permission bits (no write bit for anyone means
// read-only), so every Linux tool agrees with it. Hidden, system and archive
// live in the extended attribute "user.DOSATTRIB" as the text "0x<hex>", the
// form Wine, Samba and Java all read; a Samba binary value is read as well.
// A file without that attribute (or on a file system without extended
// attributes) is archive when it is a regular file and hidden when its name
// starts with a dot, as Wine and Samba report it.
namespace qn3::platform::attributes {

inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t Hidden = 0x2;
inline constexpr uint32_t System = 0x4;
inline constexpr uint32_t Directory = 0x10;
inline constexpr uint32_t Archive = 0x20;
inline constexpr uint32_t Normal = 0x80;

// The attributes of a file or folder (Windows path). A file with none of the
// bits gives Normal (128), as Windows reports it. Throws RuntimeError 53/76
// for a missing file or folder, other numbers from the errno table.
uint32_t get(QStringView windowsPath);

// Sets the attributes of a file or folder (Windows path) to `value`: read-only
// clears every write bit (on files only; a folder's read-only bit changes
// nothing, as on Windows), clearing it gives the owner write access back and
// group/others where they can read, within the umask; hidden, system and
// archive go to the extended attribute. Directory and Normal are ignored.
// When the file system cannot hold the extended attribute, those three bits
// are silently not kept (Wine does the same). Throws RuntimeError as get().
void set(QStringView windowsPath, uint32_t value);

// The same on host paths, for the other platform modules.
uint32_t getHost(const QString& hostPath);
void setHost(const QString& hostPath, uint32_t value);

} // namespace qn3::platform::attributes
