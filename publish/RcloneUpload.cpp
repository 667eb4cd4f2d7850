#include "RcloneUpload.h"

#include "AtomicFile.h"
#include "TikomatError.h"

#include <QRegularExpression>
#include <unistd.h>

RcloneUpload::RcloneUpload(QObject *parent) : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        end({.kind = UploadOutcome::Kind::TimedOut, .detail = {}, .exitCode = (m_timeoutMs + 999) / 1000});
    });
}

// The causes an operator at the venue can act on, recognised in rclone's own
// (English) line; the line itself follows for whoever has to look further.
static QString CzechCause(const QString &detail)
{
    struct Cause {
        const char *rclone;
        const char16_t *czech;
    };
    static const Cause causes[] = {
        {"didn't find section in config file", u"úložiště tohoto názvu není v nastavení rclone (rclone config)"},
        {"connection refused", u"cíl odmítl spojení (neběží nebo je jinde)"},
        {"no such host", u"server cíle nelze najít (adresa nebo připojení k internetu)"},
        {"i/o timeout", u"cíl neodpovídá (připojení k internetu)"},
        {"network is unreachable", u"síť není dostupná (připojení k internetu)"},
        {"unable to authenticate", u"přihlášení k cíli odmítnuto (jméno nebo heslo)"},
        {"401 unauthorized", u"přihlášení k cíli odmítnuto (jméno nebo heslo)"},
        {"403 forbidden", u"cíl zápis nepovolil"},
        {"permission denied", u"cíl zápis nepovolil"},
        {"not a directory", u"cesta cíle vede přes soubor, ne složku"},
        {"no space left", u"na cíli došlo místo"},
    };
    for (const Cause &cause : causes)
        if (detail.contains(QLatin1String(cause.rclone), Qt::CaseInsensitive))
            return QString::fromUtf16(cause.czech);
    return {};
}

QString UploadOutcome::czech() const
{
    switch (kind) {
    case Kind::Done: return {};
    case Kind::NotStarted:
        return detail.isEmpty() ? QStringLiteral(
                   "program rclone nelze spustit; nainstalujte balíček rclone (sudo apt install rclone)")
                                : detail;
    case Kind::TimedOut: return QStringLiteral("rclone nedokončil nahrávání do %1 s, přerušeno").arg(exitCode);
    case Kind::Failed: {
        if (detail.isEmpty())
            return QStringLiteral("rclone skončil s kódem %1").arg(exitCode);
        const QString cause = CzechCause(detail);
        return cause.isEmpty() ? detail : cause + QStringLiteral(" – rclone: ") + detail;
    }
    }
    return {};
}

QString UploadOutcome::english() const
{
    switch (kind) {
    case Kind::Done: return {};
    case Kind::NotStarted:
        return detail.isEmpty() ? QStringLiteral("rclone cannot be run; install the package rclone "
                                                 "(sudo apt install rclone)")
                                : detail;
    case Kind::TimedOut: return QStringLiteral("rclone did not finish the upload in %1 s, stopped").arg(exitCode);
    case Kind::Failed: return detail.isEmpty() ? QStringLiteral("rclone ended with code %1").arg(exitCode) : detail;
    }
    return {};
}

RcloneUpload::~RcloneUpload()
{
    cancel();
}

QStringList RcloneArguments(const UploadRequest &request)
{
    QStringList arguments{QStringLiteral("copy"), QStringLiteral("--files-from"), request.listFile};
    arguments << QStringLiteral("--ignore-times");
    // Each listed file is looked up alone: the target's folder may hold many
    // other files.
    arguments << QStringLiteral("--no-traverse");
    arguments << QStringLiteral("--header-upload") << QStringLiteral("Cache-Control: max-age=10");
    arguments << QStringLiteral("--retries") << QStringLiteral("1");
    arguments << QStringLiteral("--low-level-retries") << QStringLiteral("2");
    arguments << QStringLiteral("--contimeout") << QStringLiteral("10s");
    arguments << QStringLiteral("--timeout") << QStringLiteral("30s");
    arguments << QStringLiteral("--stats") << QStringLiteral("0") << QStringLiteral("-v");
    // Whatever the target's text looks like, it is never an option.
    arguments << QStringLiteral("--") << request.folder << request.target;
    return arguments;
}

void RcloneUpload::start(const UploadRequest &request)
{
    cancel();
    m_output.clear();
    try {
        WriteFileAtomically(request.listFile, request.files.join(u'\n').toUtf8() + '\n');
    } catch (const TikomatError &e) {
        // Reported from the event loop, as every other outcome is.
        QTimer::singleShot(0, this, [this, text = e.text] {
            emit finished({.kind = UploadOutcome::Kind::NotStarted, .detail = text});
        });
        return;
    }
    m_timeoutMs = request.timeoutMs;
    m_process = new QProcess(this);
    // rclone at a lower priority than the timing program.
    m_process->setChildProcessModifier([] { [[maybe_unused]] const int nice = ::nice(10); });
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::readyRead, this, [this] { m_output += m_process->readAll(); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end({.kind = UploadOutcome::Kind::NotStarted, .detail = {}});
    });
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        m_output += m_process->readAll();
        if (status == QProcess::NormalExit && code == 0)
            end({});
        else
            end({.kind = UploadOutcome::Kind::Failed,
                 .detail = RcloneErrorLine(m_output),
                 .exitCode = status == QProcess::NormalExit ? code : -1});
    });
    m_timeout.start(request.timeoutMs);
    m_process->start(request.program, RcloneArguments(request));
}

void RcloneUpload::cancel()
{
    m_timeout.stop();
    if (!m_process)
        return;
    QProcess *process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(1000);  // a killed process is reaped at once
    }
    // Possibly called from one of its own signals.
    process->deleteLater();
}

void RcloneUpload::end(UploadOutcome outcome)
{
    outcome.copied = RcloneCopiedFiles(m_output);
    cancel();
    emit finished(outcome);
}

QString RcloneErrorLine(const QByteArray &output)
{
    // "2026/12/11 14:42:05 ERROR : index.html: Failed to copy: ..." or, for a
    // remote that cannot be reached at all, "2026/12/11 14:42:05 Failed to
    // create file system for ...": the line without its time stamp and level.
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d(\\.\\d+)? "));
    static const QRegularExpression chatter(QStringLiteral("^(INFO|DEBUG|NOTICE) *:"));
    static const QRegularExpression level(QStringLiteral("^(ERROR|CRITICAL|Error|Fatal error) *: *"));
    for (const QByteArray &raw : output.split('\n')) {
        QString line = QString::fromUtf8(raw).trimmed();
        line.remove(stamp);
        if (line.isEmpty() || chatter.match(line).hasMatch())
            continue;
        line.remove(level);
        // A target written out in full may carry a password (scrambled, but
        // not secret): it stays out of every message.
        static const QRegularExpression secret(
            QStringLiteral("\\b([a-z_]*(?:pass|secret|token|key)[a-z_]*=)('[^']*'|\"[^\"]*\"|[^,:\\s\"]*)"),
            QRegularExpression::CaseInsensitiveOption);
        line.replace(secret, QStringLiteral("\\1***"));
        return line;
    }
    return {};
}

int RcloneCopiedFiles(const QByteArray &output)
{
    int copied = 0;
    for (const QByteArray &line : output.split('\n'))
        copied += line.contains(": Copied (") ? 1 : 0;
    return copied;
}
