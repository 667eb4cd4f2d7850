#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
// The offscreen platform says this of every window it cannot resize or
// raise; it is noise in a test log, whereas any other warning still shows.
QtMessageHandler previous = nullptr;

void QuietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints"))
        || message.contains(QLatin1String("does not support raise()")))
        return;
    previous(type, context, message);
}
}  // namespace

// One QApplication per test binary.  Without a display the offscreen platform
// is used, so the tests run the same on a desk and on a build server.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Every record store makes a temporary file when it is created, in the
    // user's data folder; in the tests that folder, and the temporary folder
    // behind it, lie in one scratch folder that disappears with the run.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 2;
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("data"))));
    // QSettings write there too: a test never reads or changes the user's choices.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
    // Qt wants a private runtime folder, which a build server may not have.
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString runtime = scratch.filePath(QStringLiteral("runtime"));
        QDir().mkdir(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    previous = qInstallMessageHandler(QuietOffscreen);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
