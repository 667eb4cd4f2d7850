#pragma once
// A long piece of work that the operator watches and may cancel: reading a
// large data file.  Dialogs::progress runs it; the window runs it on a thread
// of its own behind a progress dialog, the tests and the commands without
// windows run it straight.
//
// run() may be called on any thread and must stop soon after cancel(); it
// reports how far it got through `progressed` only, never through widgets.
#include <QObject>
#include <atomic>

class ProgressTask : public QObject {
    Q_OBJECT
public:
    // Does the work; returns when it is done, has failed or was cancelled.
    virtual void run() = 0;
    // Any thread: asks run() to stop at its next step.
    void cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool cancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }

signals:
    // From the thread run() is on, each time the percentage done grows.
    void progressed(int percent);

private:
    std::atomic<bool> m_cancel{false};
};
