#pragma once
// Publishing the results site while the race runs: after every change of the
// results, at most once per interval, the site is written to a staging folder
// on a thread of its own (SiteStage: exactly the files whose content changed)
// and those files are sent by rclone in a process of its own (RcloneUpload).
// A file not yet sent stays on the list until an upload succeeds; nothing
// changed means no upload.  While one upload runs, newer results wait and
// only the newest is written and sent after it.  A failed upload is tried
// again after a pause that doubles up to a limit; the failure is the state
// until an upload succeeds.  Nothing here waits: the thread that owns the
// publisher (the window's) never blocks on writing or sending, and the race
// never depends on it.
//
// The window's settings page and the results command (--watch) own one.
// Qt Core only.
#include "RcloneUpload.h"
#include "ResultsSite.h"
#include "SiteStage.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <optional>

struct PublishTiming {
    int intervalMs = 15000;       // the least time between the starts of two uploads
    int firstRetryMs = 5000;      // the pause after a first failure, doubled after each further one
    int longestRetryMs = 120000;  // ... up to this
    int timeoutMs = 120000;       // an upload that takes longer is stopped
    int refreshSeconds = 15;      // the pages read results.json again this often
};

class Publisher : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,        // nothing sent yet, or publishing turned off
        Publishing,  // an upload runs (a retry after a failure stays Failed)
        Published,   // the last upload succeeded
        Failed,      // the last upload failed; tried again after a pause
    };

    explicit Publisher(QObject *parent = nullptr);
    // Stops a running upload and waits for a site being written.
    ~Publisher() override;

    // A folder or an rclone remote with its path.  A new target gets every
    // file at the next upload; an upload to the old one is stopped.
    void setTarget(const QString &target);
    QString target() const { return m_target; }
    // On: every change is published.  Off: only publishNow() publishes, and
    // a failure is no longer shown.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setTiming(const PublishTiming &timing);
    const PublishTiming &timing() const { return m_timing; }
    // rclone's name or path (the tests give another).
    void setProgram(const QString &program) { m_program = program; }

    // The results as the last refresh left them; `now` is when they came.
    // Results equal to the last offered are no change: the site keeps its
    // time of update and its bytes.
    void offer(const ResultsSnapshot &snapshot, const QDateTime &now);
    // Sends what has changed at once, whether publishing is on or not and
    // however short ago the last upload started (after a running one).
    void publishNow();

    State state() const { return m_state; }
    QDateTime publishedAt() const { return m_publishedAt; }  // the last upload that succeeded
    QString error() const { return m_error; }                // the last failure's message
    // "Zveřejněno 14:42:05", "Zveřejňuji…", "Zveřejnění selhalo – <error>";
    // empty while idle.
    QString stateText() const;

    QString stagingFolder() const;

signals:
    void stateChanged();
    // Failures begin (the first one's message) or end (empty): once each.
    // They end by an upload that succeeds (the state is then Published) or
    // by a new target or publishing turned off (the state is then Idle).
    void problemChanged(const QString &problem);
    // Every upload's end, with the files it was to send.
    void uploadFinished(const UploadOutcome &outcome, const QStringList &files);
    // publishNow() found nothing that changed since the last upload.
    void nothingChanged();

private:
    enum class Busy { No, Writing, Uploading };

    void schedule();
    void writeSite();
    void written(const QStringList &changed, const QString &error, quint64 generation);
    void upload();
    void uploaded(const UploadOutcome &outcome);
    void fail(const QString &error);
    void endFailure();
    void setState(State state);

    QString m_target;
    bool m_enabled = false;
    PublishTiming m_timing;
    QString m_program = QStringLiteral("rclone");

    std::optional<SiteContent> m_latest;  // the last results offered
    std::optional<SiteContent> m_newest;  // results not yet written to the staging folder
    QStringList m_pending;                // written there, not yet sent
    QStringList m_sending;                // what the running upload sends
    bool m_asked = false;                 // publishNow() waits for its round
    Busy m_busy = Busy::No;
    quint64 m_generation = 0;  // grows with every target: older rounds are void

    QElapsedTimer m_clock;
    qint64 m_nextStart = 0;  // m_clock's ms before which no upload starts
    qint64 m_retryAt = 0;
    int m_retryPause = 0;
    bool m_failing = false;
    QTimer m_timer;

    State m_state = State::Idle;
    QDateTime m_publishedAt;
    QString m_error;

    QTemporaryDir m_temp;
    SiteStage m_stage;  // used on m_thread only
    QThread m_thread;
    QObject *m_writer = nullptr;  // lives on m_thread
    RcloneUpload m_upload;
};
