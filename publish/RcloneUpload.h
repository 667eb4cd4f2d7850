#pragma once
// One upload of the published site: rclone, in a process of its own, copies
// the listed files of the staging folder to the target (a folder, or a
// remote that `rclone config` set up: "zavody:vysledky/2026-velka-cena").
//
// Every listed file is sent whatever its time or size (--ignore-times): some
// hosts, WebDAV among them, keep neither times nor hashes, and a file changed
// to the same size would look unchanged.  Files go with "Cache-Control:
// max-age=10" where the backend sends headers, so that a cache in between
// serves new results soon.  rclone tries once (the publisher has its own
// retries); a run that takes longer than the timeout is stopped.  The
// credentials are rclone's own: only the target's text is passed.
//
// Runs on the thread that owns it and never blocks it.  Qt Core only.
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

struct UploadRequest {
    QString program = QStringLiteral("rclone");
    QString folder;     // the staging folder
    QStringList files;  // relative to the folder
    QString listFile;   // where the list of files is written for rclone
    QString target;
    int timeoutMs = 120000;
};

// How an upload ended.
struct UploadOutcome {
    enum class Kind {
        Done,
        NotStarted,  // rclone is not installed (or the list could not be written)
        TimedOut,
        Failed,  // rclone ended with an error
    };
    Kind kind = Kind::Done;
    QString detail;  // rclone's first error line, or why the list could not be written
    int exitCode = 0;
    int copied = 0;  // the files rclone says it copied

    bool ok() const { return kind == Kind::Done; }
    // What failed, for the operator; empty when nothing did.
    QString czech() const;
    QString english() const;
};

class RcloneUpload : public QObject {
    Q_OBJECT
public:
    explicit RcloneUpload(QObject *parent = nullptr);
    // Stops a running rclone.
    ~RcloneUpload() override;

    // Starts the upload; finished() tells how it went.  One at a time.
    void start(const UploadRequest &request);
    bool isRunning() const { return m_process != nullptr; }
    // Stops a running upload; it then reports nothing.
    void cancel();

signals:
    void finished(const UploadOutcome &outcome);

private:
    void end(UploadOutcome outcome);

    QProcess *m_process = nullptr;
    QTimer m_timeout;
    QByteArray m_output;
    int m_timeoutMs = 0;
};

// rclone's command line for a request.
QStringList RcloneArguments(const UploadRequest &request);
// The first line of rclone's output that says what failed, without its time
// stamp and level; empty when none does.
QString RcloneErrorLine(const QByteArray &output);
// How many files rclone's output says it copied.
int RcloneCopiedFiles(const QByteArray &output);
