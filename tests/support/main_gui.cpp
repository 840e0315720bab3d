#include "windows/qt_french.h"

#include <QApplication>

#include <gtest/gtest.h>

// Test discovery runs this program at build time, often without a display:
// the offscreen platform is chosen before the application exists.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The windows are tested with Qt's texts as the program shows them.
    qn3::windows::InstallQtFrench(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
