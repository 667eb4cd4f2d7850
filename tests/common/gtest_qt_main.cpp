#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// One QApplication per test binary.  Without a display the offscreen platform
// is used, so the tests run the same on a desk and on a build server.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
