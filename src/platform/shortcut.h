#pragma once

#include <QString>

#include <cstdint>

// Shortcuts to a program, written as freedesktop desktop entries at the path
// the program chooses (its Windows name, ".lnk" included, is kept).
namespace qn3::platform::shortcut {

// Code of a shortcut file held open by someone else.
inline constexpr int32_t kFileInUse = static_cast<int32_t>(0x80070020u);

// Windows paths, as the program forms them; they are written in host form.
struct Shortcut {
    QString targetPath;
    QString arguments;        // appended to the command as given
    QString workingDirectory;
    QString iconLocation;
    QString description;
};

// Creates or replaces the shortcut file at `windowsPath`, atomically.
// Throws RuntimeError: kFileInUse when the file is busy, else the number of
// the errno (76 for a missing folder, ...).
void write(const QString& windowsPath, const Shortcut& shortcut);

} // namespace qn3::platform::shortcut
