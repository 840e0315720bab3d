#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace qn3::testing {

// A private Windows view for one test: QN3_PREFIX points at a fresh temporary
// folder for the fixture's lifetime, so no test touches the user's prefix or home.
class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    // The prefix folder itself.
    QString path() const { return dir_.path(); }
    // The host folder behind C:\ (made on first use of the path mapping).
    QString driveC() const { return dir_.path() + QStringLiteral("/drive_c"); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

} // namespace qn3::testing
