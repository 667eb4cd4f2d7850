#pragma once
// Runs tikomat-results as a script would: its own process, an English
// locale unless a test asks for another, and a data folder of its own, so
// that a temporary data file it might make would show.
#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CommandRun {
    int code = -1;
    QByteArray out;
    QString err;
};

inline CommandRun RunResultsProgram(const QStringList &arguments, const QString &workDir, const QString &dataHome,
                                    const QMap<QString, QString> &env = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    for (auto it = env.begin(); it != env.end(); ++it)
        environment.insert(it.key(), it.value());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workDir);
    process.start(QStringLiteral(TIKOMAT_RESULTS_COMMAND), arguments);
    CommandRun run;
    if (!process.waitForFinished(60000)) {
        run.err = QStringLiteral("did not finish: ") + process.errorString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
