// tikomat-results: the results list of a data file without the window.
#include "ResultsCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace {

// The command's standard error holds its own messages, one line each.  Qt's
// notices about a desktop session (no runtime folder, the offscreen
// platform) mean nothing to a script and would break that; only Qt's
// critical errors still go through, marked as the command's.
void CommandMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tikomat-results: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // A PDF's pages need fonts, and fonts a Qt Gui application; it runs on the
    // offscreen platform, so that a script needs no display.  Every other
    // output stays a plain Qt Core process, quick to start.
    std::unique_ptr<QCoreApplication> app;
    if (WritesPdf(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(CommandMessages);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const int code = RunResultsCommand(arguments, LanguageOf(QProcessEnvironment::systemEnvironment()), out, err);
    out.flush();
    err.flush();
    return code;
}
