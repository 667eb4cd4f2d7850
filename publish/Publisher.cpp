#include "Publisher.h"

#include <QDir>
#include <sys/resource.h>
#include <algorithm>

namespace {

bool SameResults(const ResultsSnapshot &a, const ResultsSnapshot &b)
{
    return a.caption == b.caption && a.showRunningTime == b.showRunningTime && a.lastStartTime == b.lastStartTime
           && (a.results == b.results || *a.results == *b.results);
}

}  // namespace

Publisher::Publisher(QObject *parent)
    : QObject(parent), m_temp(QDir::tempPath() + QStringLiteral("/tikomat-publish-XXXXXX")),
      m_stage(m_temp.filePath(QStringLiteral("site")))
{
    m_clock.start();
    m_retryPause = m_timing.firstRetryMs;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Publisher::schedule);
    connect(&m_upload, &RcloneUpload::finished, this, &Publisher::uploaded);
    m_thread.setObjectName(QStringLiteral("results site"));
    m_writer = new QObject;
    m_writer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    m_thread.start();
    // The site is rendered at a lower priority than the window's thread:
    // timing always goes first.  (On Linux the nice value is the thread's.)
    QMetaObject::invokeMethod(m_writer, [] { ::setpriority(PRIO_PROCESS, 0, 10); });
}

Publisher::~Publisher()
{
    m_upload.cancel();
    m_thread.quit();
    m_thread.wait();
}

QString Publisher::stagingFolder() const
{
    return m_stage.folder();
}

void Publisher::setTarget(const QString &target)
{
    if (target == m_target)
        return;
    m_target = target;
    ++m_generation;
    if (m_busy == Busy::Uploading) {
        m_upload.cancel();
        m_busy = Busy::No;
    }
    m_sending.clear();
    m_pending.clear();
    QMetaObject::invokeMethod(m_writer, [this] { m_stage.forget(); });
    if (m_latest)
        m_newest = m_latest;
    m_nextStart = 0;
    setState(State::Idle);
    endFailure();
    schedule();
}

void Publisher::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled) {
        if (m_state == State::Failed)
            setState(State::Idle);
        endFailure();
    }
    schedule();
}

void Publisher::setTiming(const PublishTiming &timing)
{
    m_timing = timing;
    m_retryPause = std::clamp(m_retryPause, m_timing.firstRetryMs, m_timing.longestRetryMs);
    schedule();
}

void Publisher::offer(const ResultsSnapshot &snapshot, const QDateTime &now)
{
    if (m_latest && SameResults(m_latest->snapshot, snapshot))
        return;
    m_latest = SiteContent{snapshot, now, m_timing.refreshSeconds};
    m_newest = m_latest;
    schedule();
}

void Publisher::publishNow()
{
    m_asked = true;
    schedule();
}

void Publisher::schedule()
{
    m_timer.stop();
    if (m_busy != Busy::No || m_target.isEmpty())
        return;
    if (!m_newest && m_pending.isEmpty()) {
        if (m_asked) {
            m_asked = false;
            emit nothingChanged();
        }
        return;
    }
    if (!m_enabled && !m_asked)
        return;
    qint64 wait = 0;
    if (!m_asked) {
        const qint64 now = m_clock.elapsed();
        wait = m_nextStart - now;
        if (m_failing)
            wait = std::max(wait, m_retryAt - now);
    }
    if (wait > 0) {
        m_timer.start(int(std::min<qint64>(wait, m_timing.longestRetryMs)));
        return;
    }
    if (m_newest)
        writeSite();
    else
        upload();
}

void Publisher::writeSite()
{
    m_busy = Busy::Writing;
    const SiteContent content = *m_newest;
    m_newest.reset();
    const quint64 generation = m_generation;
    // Rendering ten thousand rows takes a while: never on the owner's thread.
    QMetaObject::invokeMethod(m_writer, [this, content, generation] {
        QString error;
        const QStringList changed = m_stage.write(ResultsSiteFiles(content), &error);
        QMetaObject::invokeMethod(
            this, [this, changed, error, generation] { written(changed, error, generation); }, Qt::QueuedConnection);
    });
}

void Publisher::written(const QStringList &changed, const QString &error, quint64 generation)
{
    m_busy = Busy::No;
    if (generation != m_generation) {
        schedule();
        return;
    }
    for (const QString &name : changed)
        if (!m_pending.contains(name))
            m_pending << name;
    if (!error.isEmpty()) {
        // The file that failed is written again with the next round.
        if (!m_newest)
            m_newest = m_latest;
        m_asked = false;
        fail(QStringLiteral("stránky nelze zapsat do pracovní složky: ") + error);
        schedule();
        return;
    }
    if (m_pending.isEmpty()) {
        schedule();  // says "nothing changed" to whoever asked
        return;
    }
    upload();
}

void Publisher::upload()
{
    m_busy = Busy::Uploading;
    m_asked = false;
    m_nextStart = m_clock.elapsed() + m_timing.intervalMs;
    m_sending = m_pending;
    // While uploads fail, a retry keeps the failure shown: the operator sees
    // it until an upload has worked.
    if (!m_failing)
        setState(State::Publishing);
    UploadRequest request;
    request.program = m_program;
    request.folder = m_stage.folder();
    request.files = m_sending;
    request.listFile = m_temp.filePath(QStringLiteral("files.txt"));
    request.target = m_target;
    request.timeoutMs = m_timing.timeoutMs;
    m_upload.start(request);
}

void Publisher::uploaded(const UploadOutcome &outcome)
{
    m_busy = Busy::No;
    const QStringList sent = m_sending;
    m_sending.clear();
    if (outcome.ok()) {
        for (const QString &name : sent)
            m_pending.removeAll(name);
        m_publishedAt = QDateTime::currentDateTime();
        m_error.clear();
        m_retryPause = m_timing.firstRetryMs;
        setState(State::Published);
        endFailure();
    } else {
        fail(outcome.czech());
    }
    emit uploadFinished(outcome, sent);
    schedule();
}

void Publisher::fail(const QString &error)
{
    m_error = error;
    m_retryAt = m_clock.elapsed() + m_retryPause;
    m_retryPause = std::min(m_retryPause * 2, m_timing.longestRetryMs);
    const bool began = !m_failing;
    m_failing = true;
    setState(State::Failed);
    if (began)
        emit problemChanged(error);
}

void Publisher::endFailure()
{
    m_retryPause = m_timing.firstRetryMs;
    if (!m_failing)
        return;
    m_failing = false;
    emit problemChanged({});
}

void Publisher::setState(State state)
{
    // A failure's message may change while the state stays.
    m_state = state;
    emit stateChanged();
}

QString Publisher::stateText() const
{
    switch (m_state) {
    case State::Idle: return {};
    case State::Publishing: return QStringLiteral("Zveřejňuji…");
    case State::Published:
        return QStringLiteral("Zveřejněno ") + m_publishedAt.time().toString(QStringLiteral("HH:mm:ss"));
    case State::Failed: return QStringLiteral("Zveřejnění selhalo – ") + m_error;
    }
    return {};
}
