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
// drive ("c:" -> ../drive_c, "z:" -> /), made on first use; network paths
// \\server\share\rest live below dosdevices/unc/server/share/rest.
namespace qn3::platform::paths {

// The prefix folder in force (read from the environment at each call, so a
// test can point it at a temporary folder).
QString prefix();

// The host path of a Windows path. Existing components are found whatever
// their case; blanks and dots that end a component are dropped; a relative
// path resolves against the current directory. A trailing separator is kept.
// Throws RuntimeError 52 for an empty or malformed path, 68 for a drive with
// no mapping.
QString toHost(QStringView windowsPath);

// The Windows path of a host path, through the drive whose target is the
// longest prefix of it ("Z:" covers everything else).
QString toWindows(QStringView hostPath);

} // namespace qn3::platform::paths
