#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

// The shares this computer publishes, read from Samba's configuration: what
// NetShareEnum answers on Windows. The file is $QN3_SMB_CONF when set, else
// /etc/samba/smb.conf; no file, no shares.
namespace qn3::platform::shares {

// Share types as NetShareEnum reports them.
inline constexpr uint32_t Disk = 0;
inline constexpr uint32_t PrintQueue = 1;
inline constexpr uint32_t Special = 0x80000000u; // administrative or hidden ("$" ending)

// "Unlimited" maximum uses.
inline constexpr int32_t UnlimitedUses = -1;

struct Share {
    QString name;
    uint32_t type = Disk;
    QString comment;
    QString path; // host path as configured; empty for none
    int32_t maxUses = UnlimitedUses;
};

// The shares of an smb.conf text, in the order their sections first appear.
// [global] holds no share; [homes] and [printers] are templates and are left
// out; a section given twice is one share whose later lines win; a share with
// "available = no" is left out. Lines follow Samba's rules: "#" and ";" start
// comments, a final "\" joins the next line, parameter names ignore case,
// blanks and "_". "include" lines are not followed. Text is UTF-8. Never
// throws; damaged lines are skipped.
std::vector<Share> parseConfiguration(QByteArrayView text);

// The configuration file in force (read from the environment at each call).
QString configurationFile();

// The shares of the configuration file, their paths given as Windows paths
// (the reverse drive map); a missing file gives none. Throws RuntimeError
// when the file exists but cannot be read, is not a regular file or is
// beyond any sensible size (1 MiB).
std::vector<Share> localShares();

} // namespace qn3::platform::shares
