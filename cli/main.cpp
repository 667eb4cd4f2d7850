// tikomat-results: the results list of a data file without the window.
#include "ResultsCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const int code = RunResultsCommand(arguments, LanguageOf(QProcessEnvironment::systemEnvironment()), out, err);
    out.flush();
    err.flush();
    return code;
}
