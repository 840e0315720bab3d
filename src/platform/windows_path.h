#pragma once

#include <QString>
#include <QStringView>

// Windows paths on this machine.
//
// Every path above this layer is a Windows path ("C:\AudioLog\",
// "\\PC\Data\Sons\", "Config\"). These functions are the only place where one
// becomes a host path and back. The machine's Windows view lives in a prefix
// folder: $QN3_PREFIX, else $XDG_DATA_HOME/qn3-tools-vandrel, else
// ~/.local/share/qn3-tools-vandrel. Its dosdevices/ folder holds one link per
// drive ("c:" -> ../drive_c, "z:" -> /, and any an administrator adds), made
// on first use; network paths \\server\share\rest live below
// dosdevices/unc/server/share/rest. docs/prefix-layout.md describes the layout.
namespace qn3::platform::paths {

// The prefix folder in force (read from the environment at each call, so a
// test can point it at a temporary folder).
QString prefix();

// The host path of a Windows path.
// - "\" and "/" both separate; repeated separators collapse; "." is dropped and
//   ".." removes the previous component, never above the drive (or share) root.
// - Blanks and dots that end a component are dropped ("Name. " is "Name").
// - Existing components are found whatever their case (the exact spelling
//   first); from the first missing component on, the spelling given is kept,
//   so a file created through the result gets it.
// - Relative forms resolve against currentDirectory(): "Config\", "..\x",
//   "\x" (root of the current drive), "C:x" (the current directory when it is
//   on C:, else C:'s root). "C:" and "C:\" are the root of C:.
// - A trailing separator is kept; a drive root ends in "/".
// Throws RuntimeError 52 (BadFileName) for an empty path, a NUL, a control
// character, an incomplete UNC path, or a character Windows refuses in a name
// (< > " | ? *, ':' other than after the drive letter) unless the whole path
// exists on the host spelt exactly so (a file of the disk named "a*b.log" can
// be named, never created or found by its case), and 68
// (DeviceUnavailable) for a drive letter with no link in dosdevices/.
QString toHost(QStringView windowsPath);

// The Windows path of a host path (a relative one is taken from the process's
// current folder): a path below dosdevices/ maps back through its drive or
// unc/ entry; any other through the drive whose target is the longest prefix
// of it (lowest letter on a tie), "Z:" for what no drive covers. Backslashes;
// a trailing separator is kept; a drive root gives "X:\".
QString toWindows(QStringView hostPath);

// The current Windows directory: the process's current folder in Windows
// form, without a trailing backslash except at a root ("C:\").
QString currentDirectory();

// Makes `windowsPath` the current directory. Throws RuntimeError 76
// (PathNotFound) when it is not an existing folder, 52/68 as toHost.
void setCurrentDirectory(QStringView windowsPath);

// The running program's folder in Windows form, with a trailing backslash.
QString applicationFolder();

} // namespace qn3::platform::paths
