#include "EventLog.h"

#include "Cp1250.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <cstdio>
#include <mutex>

namespace {

struct LogState {
    std::mutex mutex;
    std::FILE *file = nullptr;
    QLocale locale;
    QString timeFormat;
};

LogState &State()
{
    static LogState state;
    return state;
}

QByteArray FormatLogLineWith(const QLocale &locale, const QString &timeFormat, const QTime &time, QStringView message)
{
    QString line = locale.toString(time, timeFormat);
    line += u": ";
    line += message;
    line += u"\r\n";
    return ToCp1250(line);
}

}  // namespace

QString LogTimeFormat(const QLocale &locale)
{
    return LongTimeFormat(locale);
}

QByteArray FormatLogLine(const QLocale &locale, const QTime &time, QStringView message)
{
    return FormatLogLineWith(locale, LogTimeFormat(locale), time, message);
}

void OpenLog(const QString &path)
{
    LogState &s = State();
    const std::lock_guard lock(s.mutex);
    if (s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
    s.locale = QLocale::system();
    s.timeFormat = LogTimeFormat(s.locale);
    // "wb": the file of an earlier run is emptied, and CR LF is written as given.
    s.file = std::fopen(QFile::encodeName(path).constData(), "wb");
}

QString FallbackLogPath()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString state = environment.value(QStringLiteral("XDG_STATE_HOME"));
    // A relative value is to be ignored, as for every XDG base folder.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/tikomat/log.txt");
}

QString OpenLogOrFallback(const QString &path)
{
    OpenLog(path);
    if (LogIsOpen())
        return path;
    const QString fallback = FallbackLogPath();
    // The user's state folder is private to the user (0700), as the base
    // folder rules ask for the folders they create.
    const QString folder = QFileInfo(fallback).absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    OpenLog(fallback);
    return LogIsOpen() ? fallback : QString();
}

void WriteLog(const QString &message)
{
    LogState &s = State();
    const std::lock_guard lock(s.mutex);
    if (!s.file)
        return;
    // The stamp is taken under the lock so that the lines stay in time order.
    const QByteArray line = FormatLogLineWith(s.locale, s.timeFormat, QTime::currentTime(), message);
    std::fwrite(line.constData(), 1, size_t(line.size()), s.file);
    std::fflush(s.file);
    // A failed write leaves the file open; the next line simply tries again.
    std::clearerr(s.file);
}

void CloseLog()
{
    LogState &s = State();
    const std::lock_guard lock(s.mutex);
    if (s.file)
        std::fclose(s.file);
    s.file = nullptr;
}

bool LogIsOpen()
{
    LogState &s = State();
    const std::lock_guard lock(s.mutex);
    return s.file != nullptr;
}
