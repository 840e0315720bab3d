#pragma once

#include "platform/installable.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// Private-profile (INI) files with the behaviour of the Windows ANSI calls
// GetPrivateProfileStringA and WritePrivateProfileStringA.
//
// File names are Windows paths; a name without any "\" or "/" lives in the
// Windows folder (C:\Windows), as on Windows. Files are ANSI (Windows-1252)
// text; a file that starts with the UTF-16LE mark is read and written as
// UTF-16LE, as Windows does; a UTF-8 mark is not recognised (its bytes belong
// to the first line, so a section header there is not seen), as on Windows.
//
// Section, key, value and default arguments end at their first NUL, as the
// C strings the A calls receive do.
//
// Reads: section and key compare without regard to case, the caller's names
// lose surrounding spaces (spaces only), the first of two equal sections or
// keys wins, a value loses the blanks around it and one pair of matching
// outer quotes. Each read re-checks the file on disk, so a change made by
// another process is seen by the next read.
//
// Writes: only the lines concerned change; everything else, line ends
// included, stays byte for byte. A new key goes after the last line of its
// section, a new section at the end of the file; new lines end with CRLF.
// A missing file is made (never its folder); a file without write permission
// is refused. The file is replaced atomically: a crash leaves the old or the
// new file whole, and a concurrent reader sees one or the other.
namespace qn3::platform {

// What a read leaves for the caller, as the A functions leave it.
struct ProfileRead {
    // The characters placed in the caller's buffer before its terminating
    // NUL: exactly `count` characters. Name lists keep the NUL after each
    // name (the list's final NUL is not part of it).
    QString text;
    // The function's return value.
    uint32_t count = 0;
    // What GetLastError() gives afterwards: 0; FileNotFound (2) when the file
    // is missing (the default is returned); MoreData (234) when the result
    // was cut to the buffer; AccessDenied (5) for a folder or unreadable file.
    uint32_t lastError = 0;
};

struct ProfileWrite {
    bool succeeded = false; // the BOOL result (TRUE = 1)
    // 0 on success; else PathNotFound (3) for a missing folder, AccessDenied
    // (5) for a read-only file, a folder or an empty name, InvalidName (123),
    // DiskFull (112), WriteFault (29) for other failures.
    uint32_t lastError = 0;
};

class PrivateProfile : public Installable<PrivateProfile> {
public:
    static PrivateProfile& standard();
    virtual ~PrivateProfile() = default;

    // GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName).
    // The value (or `defaultValue`, less its trailing spaces, when the file,
    // section or key is missing) cut to `size` - 1 characters; count = the
    // characters copied. An empty value (`key=`) is a value, not a miss.
    virtual ProfileRead readString(QStringView fileName, QStringView section, QStringView key,
                                   QStringView defaultValue, uint32_t size) = 0;

    // GetPrivateProfileStringA with a NULL section: the section names, each
    // followed by NUL. When the list does not fit, the last name is cut, two
    // NULs end the buffer and count = size - 2 (0 when size < 2).
    virtual ProfileRead sectionNames(QStringView fileName, uint32_t size) = 0;

    // GetPrivateProfileStringA with a NULL key: the section's key names (key
    // lines only: no comments, no lines without "="), as sectionNames.
    virtual ProfileRead keyNames(QStringView fileName, QStringView section, uint32_t size) = 0;

    // WritePrivateProfileStringA(section, key, value, fileName): the value is
    // written as given (no quoting). Writing the value already there leaves
    // the file untouched.
    virtual ProfileWrite writeString(QStringView fileName, QStringView section, QStringView key,
                                     QStringView value) = 0;

    // WritePrivateProfileStringA with a NULL value: removes the first line of
    // the key. Success also when there was none; a missing file is made empty.
    virtual ProfileWrite deleteKey(QStringView fileName, QStringView section, QStringView key) = 0;

    // WritePrivateProfileStringA with a NULL key: removes the first section of
    // the name with its lines, keeping its comment lines. Success also when
    // there was none; a missing file is made empty.
    virtual ProfileWrite deleteSection(QStringView fileName, QStringView section) = 0;
};

} // namespace qn3::platform
