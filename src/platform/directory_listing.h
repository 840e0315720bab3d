#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

// Listing a Windows folder, as FindFirstFile/FindNextFile and Dir see it.
namespace qn3::platform {

struct DirectoryEntry {
    QString name;     // spelt as on disk
    QString hostPath; // for the attributes module and for opening it
    bool isFolder = false;
    // Filled only when ListOptions::details asks (they cost a stat() each):
    qint64 size = 0; // bytes of a file; 0 for a folder, as Windows reports
    QDateTime lastWriteTime;
    QDateTime lastAccessTime;
};

struct ListOptions {
    bool details = false; // size and times
};

// The entries of a folder that match a mask, sorted case-insensitively
// (upper-cased, as Windows compares names), then by exact spelling, so the
// order never depends on the disk.
// - "C:\Sons\*.wav": the last component is the mask (wildcard rules in
//   wildcard.h); a wildcard in an earlier component is a bad name (52).
// - "C:\Sons\" or an existing folder "C:\Sons": every entry of the folder.
// - "C:\Sons\a.wav": that one entry if it exists, found whatever its case.
// - A relative path resolves against the current directory ("*.ini").
// Hidden entries (dot files) are listed like any other; "." and ".." are not.
// Nothing matching gives an empty list. Throws RuntimeError 52 for a
// malformed path or mask, 68 for a drive with no link, 76 when the folder
// does not exist or is a file, 75 when it cannot be read.
QList<DirectoryEntry> listDirectory(QStringView windowsFolderOrPattern, ListOptions options = {});

} // namespace qn3::platform
