#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

// One QApplication per test binary.  Without a display the offscreen platform
// is used, so the tests run the same on a desk and on a build server.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);

    // Every record store makes a temporary file when it is created; in the
    // tests they all go to one scratch folder that disappears with the run.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 2;
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    return RUN_ALL_TESTS();
}
