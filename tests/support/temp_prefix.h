#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace qn3::testing {

// A private Windows view for one test: QN3_PREFIX points at a fresh temporary
// folder for the fixture's lifetime, so no test touches the user's prefix or home.
class TempPrefix {
public:
    TempPrefix() : previous_(qgetenv("QN3_PREFIX"))
    {
        if (!dir_.isValid())
            ADD_FAILURE() << "cannot make a temporary prefix";
        qputenv("QN3_PREFIX", dir_.path().toLocal8Bit());
    }
    // Puts back the prefix there was (null when QN3_PREFIX was not set).
    ~TempPrefix()
    {
        if (previous_.isNull())
            qunsetenv("QN3_PREFIX");
        else
            qputenv("QN3_PREFIX", previous_);
    }

    // The prefix folder itself.
    QString path() const { return dir_.path(); }
    // The host folder behind C:\ (made on first use of the path mapping).
    QString driveC() const { return dir_.path() + QStringLiteral("/drive_c"); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

} // namespace qn3::testing
