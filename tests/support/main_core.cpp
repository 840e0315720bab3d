#include <QCoreApplication>

#include <gtest/gtest.h>

// Services wait in Qt's event loop, so every test runs inside an application.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
