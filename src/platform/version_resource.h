#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// Version resources: the VS_VERSIONINFO block of a Windows program file (PE
// format), as GetFileVersionInfoA / VerQueryValueA hand it out, and the build
// numbers of this program itself.
namespace qn3::platform::version {

// The fixed part of a version resource (VS_FIXEDFILEINFO), field by field.
struct FixedFileInfo {
    uint32_t signature = 0; // 0xFEEF04BD
    uint32_t structVersion = 0;
    uint32_t fileVersionMS = 0; // major << 16 | minor
    uint32_t fileVersionLS = 0; // build << 16 | revision
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};

// One entry of "\VarFileInfo\Translation".
struct Translation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// One "\StringFileInfo\<key>" table: its values in file order.
struct StringTable {
    QString key; // eight hexadecimal digits: language then code page
    std::vector<std::pair<QString, QString>> values;
};

struct VersionResource {
    // False when the file has no version resource (GetFileVersionInfoSizeA
    // gives 0): every other member is then empty.
    bool present = false;
    std::optional<FixedFileInfo> fixed;
    std::vector<Translation> translations;
    std::vector<StringTable> stringTables;

    // The value of "\StringFileInfo\<tableKey>\<name>", both compared without
    // regard to case as VerQueryValueA does; the text stops at its first NUL.
    // Empty when the table or the value is missing.
    QString stringValue(QStringView tableKey, QStringView name) const;
};

// "040C04E4" for French with code page 1252: language then code page, upper case.
QString translationKey(Translation translation);

// Reads the version resource of a PE image in memory. Never throws: anything
// that is not a well-formed PE with a version resource (a truncated or
// hostile file, an ELF program, a text file) gives a resource that is not
// `present`; a damaged part of the block is left out and the rest is kept.
VersionResource readVersionResource(QByteArrayView image);

// The same for a file (Windows path). A file that cannot be read gives an
// empty resource; nothing is reported, as VersionFichier wants.
VersionResource readFileVersionResource(QStringView windowsPath);

// The program's own version numbers, fixed when the build was configured
// (local time): major = year, minor = month and day as MMDD, revision = hour
// and minute as HHMM; 2019, 814, 1011 for 14 August 2019 at 10:11.
struct BuildNumbers {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t revision = 0;
    QString fileDescription; // the program file's description: none on this platform
};
BuildNumbers programBuildNumbers();

} // namespace qn3::platform::version
