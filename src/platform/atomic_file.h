#pragma once

#include <QByteArrayView>
#include <QString>

// Whole-file replacement that a crash cannot tear.
//
// The new content goes to a sibling temporary file in the same folder, is
// flushed to disk, and is renamed over the target; the folder is flushed too.
// A reader therefore opens either the old file or the new one, never a mix,
// and a process killed at any instant leaves the old or the new file whole.
// An existing target keeps its permission bits and its `user.*` extended
// attributes (user.DOSATTRIB holds the DOS attributes); a symbolic link is
// followed so the link itself survives.
namespace qn3::platform::atomic_file {

// Replaces (or creates) `hostPath` with `content`. Returns 0 on success, else
// the errno of the step that failed; the target is then left as it was and
// the temporary file is removed. The target's folder must exist.
int replace(const QString& hostPath, QByteArrayView content);

} // namespace qn3::platform::atomic_file
